#pragma once
// What the database object needs of the connection to the server service:
// connect, ask its clock, disconnect, and hear when the connection ends
// unexpectedly. The packet client implements it; tests may give a clock of
// their own.

#include "Value.h"

#include <QString>
#include <functional>

namespace korvanta {

class ServerLink {
public:
    virtual ~ServerLink() = default;
    virtual void Connect(const QString& AAddr, const QString& APort) = 0;
    virtual bool Connected() const = 0;
    virtual void Disconnect() = 0;
    virtual TDateTime GetDate() = 0;
    virtual TDateTime GetDateTime() = 0;
    // The connection ended without the client asking for it, with the reason.
    std::function<void(const QString&)> OnTerminate;
};

}  // namespace korvanta
