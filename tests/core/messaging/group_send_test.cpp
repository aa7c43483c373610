#include <gtest/gtest.h>

#include "core/base/cp949.h"
#include "core/messaging/group_send.h"

namespace kv {
namespace {

std::vector<std::string> shown(const std::vector<RecipientLists::Entry>& list) {
    std::vector<std::string> out;
    for (const auto& e : list)
        out.push_back(e->NickName);
    return out;
}

RecipientLists listsOf(std::initializer_list<std::pair<const char*, const char*>> contacts) {
    RecipientLists lists;
    for (const auto& [nick, port] : contacts)
        lists.AddContact(cp949(nick), port);
    return lists;
}

TEST(PhoneRule, TenOrElevenDigitsAfterAMobilePrefix) {
    for (const char* ok : {"0101234567", "01012345678", "0111234567", "01612345678", "0171234567",
                           "01812345678", "01912345678"})
        EXPECT_TRUE(IsMobilePhoneNumber(ok)) << ok;
    for (const char* bad : {"0201234567",    // not a mobile prefix
                            "010123456",     // nine digits
                            "010123456789",  // twelve
                            "0151234567",    // 015 is not among the six
                            "",              //
                            "010-123-456",   // eleven characters, not digits
                            "01012345 78"})
        EXPECT_FALSE(IsMobilePhoneNumber(bad)) << bad;
}

TEST(RecipientLists, MovesSelectedEntriesTopToBottomAndBack) {
    RecipientLists lists = listsOf({{"엄마", "1001"}, {"아빠", "1002"}, {"민수", "1003"}});
    lists.MoveToRecipients({2, 0, 2, 99});  // order and repeats do not matter; 99 is no row
    EXPECT_EQ(shown(lists.Recipients()), (std::vector{cp949("엄마"), cp949("민수")}));
    EXPECT_EQ(shown(lists.Contacts()), (std::vector{cp949("아빠")}));

    ASSERT_EQ(lists.AddTypedNumber("01099998888"), RecipientLists::AddResult::Added);
    EXPECT_EQ(lists.Recipients().back()->GroupId, kTypedNumber);
    EXPECT_EQ(lists.Recipients().back()->UserPort, "01099998888");

    // Back to the contacts unchanged, appended after what is there.
    lists.MoveToContacts({1, 2});
    EXPECT_EQ(shown(lists.Contacts()),
              (std::vector{cp949("아빠"), cp949("민수"), std::string("01099998888")}));
    EXPECT_EQ(lists.Contacts().back()->GroupId, kTypedNumber);
    // A typed number moved there and back counts as a contact afterwards.
    lists.MoveToRecipients({2});
    EXPECT_EQ(lists.Recipients().back()->NickName, "01099998888");
    EXPECT_EQ(lists.Recipients().back()->GroupId, kContactEntry);
}

TEST(RecipientLists, TypedNumberRuleAndDuplicatesInEitherList) {
    RecipientLists lists = listsOf({{"01011112222", "1001"}});
    EXPECT_EQ(lists.AddTypedNumber("0201234567"), RecipientLists::AddResult::Invalid);
    EXPECT_EQ(lists.AddTypedNumber("010123456"), RecipientLists::AddResult::Invalid);
    // A contact shown by that text, in the contact list.
    EXPECT_EQ(lists.AddTypedNumber("01011112222"), RecipientLists::AddResult::Duplicate);
    EXPECT_EQ(lists.AddTypedNumber("0101234567"), RecipientLists::AddResult::Added);
    EXPECT_EQ(lists.AddTypedNumber("0101234567"), RecipientLists::AddResult::Duplicate);
    // Still a duplicate after moving between the lists.
    lists.MoveToContacts({0});
    EXPECT_EQ(lists.AddTypedNumber("0101234567"), RecipientLists::AddResult::Duplicate);
    lists.MoveToRecipients({0, 1});
    EXPECT_EQ(lists.AddTypedNumber("01011112222"), RecipientLists::AddResult::Duplicate);
    EXPECT_EQ(lists.Recipients().size(), 2u);
    EXPECT_TRUE(lists.Contacts().empty());
    lists.Clear();
    EXPECT_EQ(lists.AddTypedNumber("0101234567"), RecipientLists::AddResult::Added);
}

TEST(RecipientSummary, ThreeAreNamedFourAreCounted) {
    RecipientLists lists =
        listsOf({{"엄마", "1001"}, {"아빠", "1002"}, {"민수", "1003"}, {"지영이", "1004"}});
    lists.MoveToRecipients({0, 1, 2});
    RecipientSummary s = SummariseRecipients(lists.Recipients());
    EXPECT_EQ(s.summary, cp949("엄마,아빠,민수"));
    EXPECT_EQ(s.addresses, "1001,1002,1003");
    EXPECT_FALSE(s.typedNumber);

    lists.MoveToRecipients({0});
    s = SummariseRecipients(lists.Recipients());
    EXPECT_EQ(s.summary, cp949("지영이 외4명"));
    EXPECT_EQ(s.addresses, "1001,1002,1003,1004");

    ASSERT_EQ(lists.AddTypedNumber("01099998888"), RecipientLists::AddResult::Added);
    s = SummariseRecipients(lists.Recipients());
    EXPECT_EQ(s.summary, cp949("01099998888 외5명"));
    EXPECT_TRUE(s.typedNumber);
}

struct PlanTest : ::testing::Test {
    RecipientLists lists = listsOf({{"엄마", "1001"}, {"아빠", "1002"}});
    GroupSendInput input;
    PlanTest() {
        input.text = "hi";
        input.when = {2026, 3, 5, 14, 59};
        input.shortDate = "2026-03-05";
    }
};

TEST_F(PlanTest, RefusesBlankTextThenAnEmptyRecipientList) {
    input.text = " \r\n\t ";
    EXPECT_EQ(PlanGroupSend(input, lists.Recipients()).refusal, cp949("전송 내용을 입력 하십시오"));
    input.text = "x";
    const GroupSendPlan p = PlanGroupSend(input, lists.Recipients());
    EXPECT_EQ(p.refusal, cp949("받을 사람을 추가 하십시오."));
    EXPECT_TRUE(p.line.empty());
}

TEST_F(PlanTest, ContactsOnlySendAsZeroWhateverTheSenderBoxHolds) {
    lists.MoveToRecipients({0, 1});
    input.senderBox = "junk";
    input.text = "  two\r\nlines ";
    const GroupSendPlan p = PlanGroupSend(input, lists.Recipients());
    ASSERT_TRUE(p.refusal.empty());
    EXPECT_EQ(p.cmdType, "PS");
    // Blanks kept, the break as "{}".
    EXPECT_EQ(p.line, "PS:0,1001,1002:  two{}lines ");
    EXPECT_EQ(p.question, cp949("즉시 전송을 시작 하시겠습니까?\r\n\r\n받는 사람 : 엄마,아빠\r\n"));
}

TEST_F(PlanTest, TypedNumberNeedsAValidSender) {
    lists.MoveToRecipients({0});
    ASSERT_EQ(lists.AddTypedNumber("01099998888"), RecipientLists::AddResult::Added);
    for (const char* sender : {"", "0201234567", "010123456"}) {
        input.senderBox = sender;
        const GroupSendPlan p = PlanGroupSend(input, lists.Recipients());
        EXPECT_EQ(p.refusal, cp949("보내는 사람 핸드폰 번호 오류")) << sender;
        EXPECT_TRUE(p.line.empty());
    }
    input.senderBox = "0101234567";
    EXPECT_EQ(PlanGroupSend(input, lists.Recipients()).line, "PS:0101234567,1001,01099998888:hi");
}

TEST_F(PlanTest, ReservedSendCarriesTheDateWithoutLeadingZeros) {
    lists.MoveToRecipients({0, 1});
    input.reserved = true;
    input.when = {2026, 3, 5, 9, 7};
    const GroupSendPlan p = PlanGroupSend(input, lists.Recipients());
    EXPECT_EQ(p.cmdType, "PP");
    EXPECT_EQ(p.line, "PP:0,1001,1002:2026,3,5,9,7:hi");
    EXPECT_EQ(p.question,
              cp949("예약 전송을 시작 하시겠습니까?\r\n\r\n예약 시간 : 2026-03-05 9:7\r\n"
                    "받는 사람 : 엄마,아빠\r\n"));
}

TEST(GroupSendCaptions, CounterAndRecipientInfo) {
    EXPECT_EQ(BytesLeftCaption(0), cp949(" 80자 남음"));
    EXPECT_EQ(BytesLeftCaption(84), cp949(" -4자 남음"));
    EXPECT_EQ(RecipientInfoCaption(3, -2), cp949("받는 사람 3명 · 현재 충전 건수 -2건"));
}

TEST(GroupSendDefaults, TenMinutesAheadWithinTheHour) {
    const proto::Reservation at1455 = DefaultReservation({2026, 3, 5, 14, 55});
    EXPECT_EQ(at1455.hour, 14);
    EXPECT_EQ(at1455.minute, 59);
    EXPECT_EQ(at1455.month, 3);
    EXPECT_EQ(at1455.day, 5);
    EXPECT_EQ(DefaultReservation({2026, 12, 31, 23, 49}).minute, 59);
    EXPECT_EQ(DefaultReservation({2026, 12, 31, 0, 3}).minute, 13);
}

}  // namespace
}  // namespace kv
