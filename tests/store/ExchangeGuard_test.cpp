#include "ExchangeGuard.h"

#include <gtest/gtest.h>
#include <optional>

TEST(ExchangeGuard, OneExchangeAtATime)
{
    EXPECT_FALSE(ExchangeRunning());
    std::optional<ExchangeTicket> sync = BeginExchange(QStringLiteral("synchronisation"));
    ASSERT_TRUE(*sync);
    EXPECT_TRUE(ExchangeRunning());
    EXPECT_EQ(RunningExchange(), QStringLiteral("synchronisation"));

    ExchangeTicket import = BeginExchange(QStringLiteral("project import"));
    EXPECT_FALSE(import);
    import.release(); // an empty ticket frees nothing
    EXPECT_TRUE(ExchangeRunning());

    // A ticket kept across a chain of messages moves with its owner.
    ExchangeTicket kept = std::move(*sync);
    sync.reset();
    EXPECT_TRUE(ExchangeRunning());
    kept = ExchangeTicket();
    EXPECT_FALSE(ExchangeRunning());
    EXPECT_EQ(RunningExchange(), QString());

    {
        ExchangeTicket restore = BeginExchange(QStringLiteral("restore"));
        EXPECT_TRUE(restore);
    }
    EXPECT_FALSE(ExchangeRunning()); // released when its owner ends, however it ends
}
