#pragma once
// Makes a new, empty database of the current version: domains, the system
// tables with their keys, sequences, constraints and triggers, the rows that
// describe the system tables as objects, every enumeration row, the INFO and
// PARAMS rows and the administrator "admin" with the empty password.

#include "FbClient.h"

#include <functional>

namespace korvanta {

// Refuses an existing database; on any failure the half-made file is removed.
// `report` receives a line for each stage.
void CreateDatabase(const FbConnectParams& params, const std::function<void(const QString&)>& report = {});

}  // namespace korvanta
