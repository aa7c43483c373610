#include "core/service/balance_display.h"

#include <gtest/gtest.h>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/posix/posix_line_socket.h"
#include "support/manual_ui_thread.h"

namespace kv {
namespace {

class BalanceDisplayTest : public ::testing::Test {
protected:
    std::string Shown(const std::string& line) {
        conn.Msg = line;
        balance.DoCheckMoney();
        return cp949ToUtf8(panel);
    }

    std::shared_ptr<test::ManualUiThread> ui = std::make_shared<test::ManualUiThread>();
    TVANE conn{ui, makePosixLineSocket};
    std::string panel = "untouched";
    int shows = 0;
    BalanceDisplay balance{conn, [this](const std::string& text) {
                               panel = text;
                               ++shows;
                           }};
};

TEST_F(BalanceDisplayTest, CountShownAsReceived) {
    EXPECT_EQ(Shown("RV:15"), "현재 충전 건수는 15건 입니다.");
    EXPECT_EQ(conn.CashCount, 15);
    EXPECT_EQ(Shown("RV:-3"), "현재 충전 건수는 -3건 입니다.");
    EXPECT_EQ(conn.CashCount, -3);
    // Trimming the whole line keeps the blank after the colon: two blanks in a row.
    EXPECT_EQ(Shown("RV: 7"), "현재 충전 건수는  7건 입니다.");
    EXPECT_EQ(conn.CashCount, 7);
    // The count is shown as it came, not re-formatted; the line's own ends are trimmed.
    EXPECT_EQ(Shown("  RV:007 \r"), "현재 충전 건수는 007건 입니다.");
    EXPECT_EQ(conn.CashCount, 7);
    EXPECT_EQ(shows, 4);
}

TEST_F(BalanceDisplayTest, NothingAfterTheColonIsZero) {
    conn.CashCount = 9;
    EXPECT_EQ(Shown("RV:"), "현재 충전 건수는 0건 입니다.");
    EXPECT_EQ(conn.CashCount, 0);
    conn.CashCount = 9;
    EXPECT_EQ(Shown("RV:  "), "현재 충전 건수는 0건 입니다.");
    EXPECT_EQ(conn.CashCount, 0);
}

TEST_F(BalanceDisplayTest, ConversionErrorKeepsCountAndPanel) {
    Shown("RV:12");
    for (const char* bad : {"RV:12a", "RV:x", "RV:1 2", "RV:99999999999", "RV:+"}) {
        SCOPED_TRACE(bad);
        conn.Msg = bad;
        EXPECT_THROW(balance.DoCheckMoney(), ConvertError);
        EXPECT_EQ(conn.CashCount, 12);
        EXPECT_EQ(cp949ToUtf8(panel), "현재 충전 건수는 12건 입니다.");
    }
    EXPECT_EQ(shows, 1);
}

}  // namespace
}  // namespace kv
