#pragma once
// A database with the test model, a catalogue loaded from it and a fixed
// server clock, logged in as a chosen user.

#include "TestDatabase.h"
#include "TestModel.h"

#include "catalogue/TObj.h"

namespace korvanta::test {

// The server's clock, fixed.
class FixedClock : public ServerLink {
public:
    explicit FixedClock(TDateTime now) : now_(now) {}
    void Connect(const QString&, const QString&) override {}
    bool Connected() const override { return true; }
    void Disconnect() override {}
    TDateTime GetDate() override { return TDateTime{static_cast<double>(static_cast<qint64>(now_.serial))}; }
    TDateTime GetDateTime() override { return now_; }
    TDateTime now_;
};

class ModelFixture {
public:
    ModelFixture()
    {
        db = tdb.Connect();
        model.Build(*db);
        db->SetServerLink(std::make_unique<FixedClock>(EncodeDateTime(2021, 3, 17, 14, 25, 33)));
        list = std::make_unique<TObjList>(*db);
        list->Load();
    }
    void LoginAs(qint64 user)
    {
        db->CurrentUserId = user;
        list->LoadUOA(user, Value());
    }
    TObj* Obj(const char* table) const { return list->GetObjByTable(table); }
    void SetClock(TDateTime now) { static_cast<FixedClock*>(db->CliCon())->now_ = now; }

    TestDatabase tdb;
    std::unique_ptr<TDB> db;
    TestModel model;
    std::unique_ptr<TObjList> list;
};

}  // namespace korvanta::test
