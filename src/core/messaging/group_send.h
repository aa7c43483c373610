#pragma once

// The group send's logic: the two lists of recipient entries, the phone number rule, and the
// composition of what "예약(즉시) 전송" asks and writes. The dialog (GroupSendUnit) shows the
// lists and passes in what its controls hold. Texts are CP949.
//
// Every operation is linear in the number of entries, so that a contact list of ten thousand
// partners stays quick to open and move.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/connection/line_protocol.h"
#include "core/contacts/contact_records.h"

namespace kv {

// A recipient entry is an ABuddy made for the dialog: GroupId holds its kind, NickName the
// text shown in the list and UserPort the address sent to the server.
enum RecipientKind : std::int32_t {
    kContactEntry = 0,  // a partner from the contact tree: shown by nickname, sent by port
    kTypedNumber = 1,   // a number typed in by hand: shown and sent as the number
};

// 10 or 11 digits beginning with one of the mobile prefixes 010, 011, 016, 017, 018, 019.
bool IsMobilePhoneNumber(std::string_view number);

class RecipientLists {
public:
    using Entry = std::unique_ptr<ABuddy>;

    const std::vector<Entry>& Contacts() const { return FContacts; }
    const std::vector<Entry>& Recipients() const { return FRecipients; }

    // Appends a contact entry (filling the dialog from the contact tree).
    void AddContact(const std::string& nickName, const std::string& userPort);

    // The entries at `rows` (any order, duplicates ignored), taken from top to bottom, are
    // appended to the other list and removed from their own. Entries moved to the recipients
    // become contacts (kind 0); entries moved back keep their kind. Rows out of range are
    // skipped.
    void MoveToRecipients(std::vector<std::size_t> rows);
    void MoveToContacts(std::vector<std::size_t> rows);

    enum class AddResult { Invalid, Duplicate, Added };
    // A typed number: refused when it breaks the phone number rule, ignored when an entry of
    // either list already shows that text, else appended to the recipients as kind 1.
    AddResult AddTypedNumber(const std::string& number);
    // What AddTypedNumber would do, without doing it.
    AddResult CheckTypedNumber(const std::string& number) const;

    // Frees every entry of both lists.
    void Clear();

private:
    static void Move(std::vector<Entry>& from, std::vector<Entry>& to,
                     std::vector<std::size_t> rows, bool makeContacts);

    std::vector<Entry> FContacts;
    std::vector<Entry> FRecipients;
    // The shown texts of both lists together; moving between the lists leaves it as it is.
    std::unordered_set<std::string> FShown;
};

// The recipients as the send needs them, walked from top to bottom.
struct RecipientSummary {
    std::string addresses;  // the addresses joined by ","
    // Up to three entries: their shown texts joined by ","; from four on: the last entry's
    // text, " 외", the number of all entries and "명".
    std::string summary;
    bool typedNumber = false;  // some entry has kind 1
};
RecipientSummary SummariseRecipients(const std::vector<RecipientLists::Entry>& recipients);

// What the dialog's controls hold when "예약(즉시) 전송" is pressed.
struct GroupSendInput {
    std::string text;         // the memo, CR LF line breaks
    std::string senderBox;    // the sender number box
    bool reserved = false;    // "예약 전송" checked
    proto::Reservation when;  // the picked date, the hour box and the minute box
    std::string shortDate;    // the picked date in the system's short date format
};

// The outcome: either a refusal (an information box, nothing else happens) or the question
// to ask and, on Yes, the pending request type and the line to write.
struct GroupSendPlan {
    std::string refusal;   // empty when the send may go on
    std::string question;  // ends with the CR LF the box shows after it
    std::string cmdType;   // "PP" or "PS"
    std::string line;
};
GroupSendPlan PlanGroupSend(const GroupSendInput& input,
                            const std::vector<RecipientLists::Entry>& recipients);

// The counter under the memo: " " + bytes left + "자 남음" (negative when a handed-in text is
// longer than the limit).
std::string BytesLeftCaption(int bytesUsed);

// "받는 사람 N명 · 현재 충전 건수 M건": what a member pays for before sending.
std::string RecipientInfoCaption(std::size_t recipients, std::int32_t balance);

// The reserved-time controls' values when the dialog opens, from the local time now: the same
// date and hour, and the minute plus 10, at most 59 (the hour is not advanced).
proto::Reservation DefaultReservation(const proto::Reservation& now);

}  // namespace kv
