// The database-in-use interlock over a real database: what the start-up
// claims, what the shut-down gives back, and that a claim holds the write
// lock from its read to its write.
#include "StoreFixture.h"

#include "DataTessal.h"
#include "DatabaseInterlock.h"
#include "ggError.h"

namespace {
const QString OurRun = QStringLiteral("{11111111-1111-1111-1111-111111111111}");
const QString OtherRun = QStringLiteral("{22222222-2222-2222-2222-222222222222}");
}

class DatabaseInterlockTest : public StoreFixture {};

TEST_F(DatabaseInterlockTest, ShutDownClearsOnlyItsOwnIdentifier)
{
    struct Case {
        const char *name;
        QString stored;
        QString expectedAfter;
        bool released;
    };
    const QList<Case> cases = {{"ours", OurRun, "", true},
                               {"taken over by another run", OtherRun, OtherRun, false},
                               {"empty", "", "", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dm->SaveOption(CommonUser, InterlockOptionName, c.stored);
        DatabaseInterlock interlock(dm->ASQLite3DBd);
        EXPECT_EQ(interlock.release(OurRun), c.released);
        EXPECT_EQ(dm->ReadOption(CommonUser, InterlockOptionName), c.expectedAfter);
    }
}

TEST_F(DatabaseInterlockTest, ClaimStoresTheRunAsTheDataModuleReadsItAndRefusesAHeldOne)
{
    DatabaseInterlock interlock(dm->ASQLite3DBd);
    EXPECT_EQ(interlock.claim(OurRun), QString());
    EXPECT_EQ(dm->ReadOption(CommonUser, InterlockOptionName), OurRun);

    dm->SaveOption(CommonUser, InterlockOptionName, OtherRun);
    EXPECT_EQ(interlock.claim(OurRun), OtherRun);
    EXPECT_EQ(dm->ReadOption(CommonUser, InterlockOptionName), OtherRun);

    interlock.clear(); // the "Stop" dialog's "disconnect the other run"
    EXPECT_EQ(dm->ReadOption(CommonUser, InterlockOptionName), QString());
    SqliteStatement rows(dm->ASQLite3DBd, QStringLiteral("select count(*) from Options where ParamName = :p"));
    rows.bindWideBlob(QStringLiteral("p"), InterlockOptionName);
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.columnInteger(0), 1); // one row, replaced each time
}

TEST_F(DatabaseInterlockTest, AClaimWaitsForAnotherRunsClaimToFinish)
{
    // Another program on the same file is between reading and writing the
    // interlock: this run's claim may not read the old value meanwhile.
    SqliteDatabase other(dm->databasePath(), SqliteDatabase::OpenMode::MustExist);
    SqliteTransaction otherClaim(other, SqliteTransaction::Kind::Immediate);
    dm->ASQLite3DBd.setBusyTimeout(50);
    DatabaseInterlock interlock(dm->ASQLite3DBd);
    EXPECT_THROW(interlock.claim(OurRun), AppError);
    otherClaim.rollback();
    EXPECT_EQ(interlock.claim(OurRun), QString());
}
