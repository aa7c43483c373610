#include "core/messaging/group_send.h"

#include <algorithm>

#include "core/base/CommonUnit.h"
#include "core/base/cp949.h"
#include "core/base/text.h"

namespace kv {

namespace {

struct Texts {
    std::string noText = cp949("전송 내용을 입력 하십시오");
    std::string noRecipient = cp949("받을 사람을 추가 하십시오.");
    std::string badSender = cp949("보내는 사람 핸드폰 번호 오류");
    std::string reservedQuestion = cp949("예약 전송을 시작 하시겠습니까?\r\n\r\n예약 시간 : ");
    std::string immediateQuestion = cp949("즉시 전송을 시작 하시겠습니까?\r\n\r\n");
    std::string recipientsLabel = cp949("받는 사람 : ");
    std::string others = cp949(" 외");
    std::string persons = cp949("명");
    std::string left = cp949("자 남음");
    std::string infoRecipients = cp949("받는 사람 ");
    std::string infoBalance = cp949("명 · 현재 충전 건수 ");
    std::string infoCount = cp949("건");
};

const Texts& texts() {
    static const Texts t;
    return t;
}

}  // namespace

bool IsMobilePhoneNumber(std::string_view number) {
    if (number.size() != 10 && number.size() != 11)
        return false;
    if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const std::string_view prefix = number.substr(0, 3);
    for (std::string_view mobile : {"010", "011", "016", "017", "018", "019"})
        if (prefix == mobile)
            return true;
    return false;
}

void RecipientLists::AddContact(const std::string& nickName, const std::string& userPort) {
    auto entry = std::make_unique<ABuddy>();
    entry->GroupId = kContactEntry;
    entry->NickName = nickName;
    entry->UserPort = userPort;
    FShown.insert(nickName);
    FContacts.push_back(std::move(entry));
}

void RecipientLists::Move(std::vector<Entry>& from, std::vector<Entry>& to,
                          std::vector<std::size_t> rows, bool makeContacts) {
    std::vector<bool> picked(from.size(), false);
    for (std::size_t row : rows)
        if (row < from.size())
            picked[row] = true;
    std::vector<Entry> kept;
    kept.reserve(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (!picked[i]) {
            kept.push_back(std::move(from[i]));
            continue;
        }
        if (makeContacts)
            from[i]->GroupId = kContactEntry;
        to.push_back(std::move(from[i]));
    }
    from.swap(kept);
}

void RecipientLists::MoveToRecipients(std::vector<std::size_t> rows) {
    Move(FContacts, FRecipients, std::move(rows), true);
}

void RecipientLists::MoveToContacts(std::vector<std::size_t> rows) {
    Move(FRecipients, FContacts, std::move(rows), false);
}

RecipientLists::AddResult RecipientLists::CheckTypedNumber(const std::string& number) const {
    if (!IsMobilePhoneNumber(number))
        return AddResult::Invalid;
    return FShown.contains(number) ? AddResult::Duplicate : AddResult::Added;
}

RecipientLists::AddResult RecipientLists::AddTypedNumber(const std::string& number) {
    if (const AddResult r = CheckTypedNumber(number); r != AddResult::Added)
        return r;
    FShown.insert(number);
    auto entry = std::make_unique<ABuddy>();
    entry->GroupId = kTypedNumber;
    entry->NickName = number;
    entry->UserPort = number;
    FRecipients.push_back(std::move(entry));
    return AddResult::Added;
}

void RecipientLists::Clear() {
    FContacts.clear();
    FRecipients.clear();
    FShown.clear();
}

RecipientSummary SummariseRecipients(const std::vector<RecipientLists::Entry>& recipients) {
    RecipientSummary s;
    for (const RecipientLists::Entry& e : recipients) {
        if (!s.addresses.empty())
            s.addresses += ',';
        s.addresses += e->UserPort;
        if (e->GroupId == kTypedNumber)
            s.typedNumber = true;
    }
    if (recipients.size() <= 3) {
        for (const RecipientLists::Entry& e : recipients) {
            if (!s.summary.empty())
                s.summary += ',';
            s.summary += e->NickName;
        }
    } else {
        s.summary = recipients.back()->NickName + texts().others +
                    std::to_string(recipients.size()) + texts().persons;
    }
    return s;
}

GroupSendPlan PlanGroupSend(const GroupSendInput& input,
                            const std::vector<RecipientLists::Entry>& recipients) {
    const Texts& t = texts();
    GroupSendPlan plan;
    if (trimBytes(input.text).empty()) {
        plan.refusal = t.noText;
        return plan;
    }
    if (recipients.empty()) {
        plan.refusal = t.noRecipient;
        return plan;
    }
    const RecipientSummary who = SummariseRecipients(recipients);
    std::string sender = "0";
    if (who.typedNumber) {
        if (!IsMobilePhoneNumber(input.senderBox)) {
            plan.refusal = t.badSender;
            return plan;
        }
        sender = input.senderBox;
    }
    // Sent as typed, blanks and all; only the line breaks travel as "{}".
    const std::string text = proto::encodeLineBreaks(input.text);
    if (input.reserved) {
        const proto::Reservation& w = input.when;
        plan.question = t.reservedQuestion + input.shortDate + " " + std::to_string(w.hour) + ":" +
                        std::to_string(w.minute) + "\r\n" + t.recipientsLabel + who.summary;
        plan.cmdType = "PP";
        plan.line = proto::reservedSendLine(sender, who.addresses, w, text);
    } else {
        plan.question = t.immediateQuestion + t.recipientsLabel + who.summary;
        plan.cmdType = "PS";
        plan.line = proto::groupSendLine(sender, who.addresses, text);
    }
    plan.question += "\r\n";
    return plan;
}

std::string BytesLeftCaption(int bytesUsed) {
    return " " + std::to_string(static_cast<int>(kMaxMessageBytes) - bytesUsed) + texts().left;
}

std::string RecipientInfoCaption(std::size_t recipients, std::int32_t balance) {
    const Texts& t = texts();
    return t.infoRecipients + std::to_string(recipients) + t.infoBalance + std::to_string(balance) +
           t.infoCount;
}

proto::Reservation DefaultReservation(const proto::Reservation& now) {
    return {now.year, now.month, now.day, now.hour, std::min(now.minute + 10, 59)};
}

}  // namespace kv
