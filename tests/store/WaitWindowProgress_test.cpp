#include "WaitWindowProgress.h"

#include <gtest/gtest.h>

// Without a display the wait window runs its thread and shows nothing; the
// sink must still open, follow the progress and close without blocking.
TEST(WaitWindowProgress, OpensFollowsAndCloses)
{
    WaitWindowProgress progress("будем конвертировать данные");
    EXPECT_FALSE(progress.isOpen());
    progress.setPermille(10); // before open: ignored
    progress.open();
    EXPECT_TRUE(progress.isOpen());
    for (int p : {0, 250, 1000, 1200})
        progress.setPermille(p);
    progress.close();
    EXPECT_FALSE(progress.isOpen());
    progress.open(); // a second copy step opens it again
    progress.close();
}
