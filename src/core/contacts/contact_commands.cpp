#include "core/contacts/contact_commands.h"

#include "core/base/cp949.h"
#include "core/connection/line_protocol.h"
#include "core/contacts/contact_intake.h"

namespace kv {

namespace {

struct Texts {
    std::string newGroupCaption = cp949("새 그룹 만들기");
    std::string renameGroupCaption = cp949("그룹 이름 바꾸기");
    std::string groupNamePrompt = cp949("그룹명: ");
    std::string newGroupName = cp949("새 그룹");
    std::string groupNameRefused = cp949("그룹명에는 '/'와 ','를 쓸 수 없습니다.");
    std::string nickNameRefused = cp949("닉네임에는 ',', '/', ':'를 쓸 수 없습니다.");
    std::string groupNotEmpty = cp949("대화 상대가 있으면 그룹을 삭제 할수 없습니다.");
    std::string deleteGroupQuestion = cp949("그룹을 삭제 할까요?");
    std::string deleteUserQuestion = cp949("대화 상대를 삭제 할까요?");
    std::string emptyField = cp949("휴대폰 번호나 사용자 닉네임을 입력하십시오.");
    std::string korea = cp949("한국");
    std::string registered = cp949(")님이 등록 되었습니다.");
    std::string barred = cp949("사용이 제한된 번호 입니다.");
    std::string tooMany = cp949("등록초과로 등록할 수 없습니다.");
    std::string failed =
        cp949("사용등록에 오류가 발생 했습니다. 휴대폰 번호를 확인하신후 다시 등록 하십시오.(");
};

const Texts& texts() {
    static const Texts t;
    return t;
}

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

const AGroup* groupOf(const ContactNode* node) {
    return node && node->Data() ? node->Data()->Group() : nullptr;
}

const ABuddy* buddyOf(const ContactNode* node) {
    return node && node->Data() ? node->Data()->Buddy() : nullptr;
}

}  // namespace

const std::string& NickNameRefusedMessage() {
    return texts().nickNameRefused;
}

bool HoldsAnyOf(std::string_view text, std::string_view bytes) {
    return text.find_first_of(bytes) != std::string_view::npos;
}

PhoneParts SplitPhone(const std::string& phone) {
    for (std::string_view prefix : kPhonePrefixes)
        if (phone.starts_with(prefix))
            return {std::string(prefix), phone.substr(prefix.size())};
    return {{}, phone};
}

ContactsMenuItems ContactsMenuEnabling(const ContactNode* selected) {
    ContactsMenuItems items;
    if (buddyOf(selected))
        items.miSend = items.miMemberInfo = items.miDeleteUser = true;
    else if (groupOf(selected))
        items.miRenameGroup = items.miDeleteGroup = true;
    return items;
}

ContactCommands::ContactCommands(TVANE& conn, ContactTree& tree, std::mutex& treeLock,
                                 MessageBoxes& boxes, UserAddDialogs& dialogs)
    : FConn(conn), FTree(tree), FTreeLock(treeLock), FBoxes(boxes), FDialogs(dialogs) {}

ContactNode* ContactCommands::StillThere(ContactNode* node, std::uint64_t removalsBefore) const {
    // Any removal counts: after the tree was emptied and filled again, a new node may sit at
    // the old one's address, so looking for the pointer could act on another contact.
    return FTree.Removals() == removalsBefore ? node : nullptr;
}

std::optional<std::string> ContactCommands::AskGroupName(const std::string& caption,
                                                         const std::string& value) {
    auto name = FBoxes.Input(caption, texts().groupNamePrompt, value,
                             {std::string(kGroupNameRefused), texts().groupNameRefused});
    if (!name || name->empty())
        return std::nullopt;
    // The box refuses these already; a name that holds one all the same is never sent.
    if (HoldsAnyOf(*name, kGroupNameRefused)) {
        FBoxes.Show(texts().groupNameRefused, Icon::Information, Buttons::Ok);
        return std::nullopt;
    }
    return name;
}

bool ContactCommands::RefusedNickName(const std::string& nickName) {
    if (!HoldsAnyOf(nickName, kNickNameRefused))
        return false;
    FBoxes.Show(texts().nickNameRefused, Icon::Information, Buttons::Ok);
    return true;
}

void ContactCommands::SetGroupCount(ContactNode* groupNode, std::int32_t delta) {
    AGroup& group = *groupNode->Data()->Group();
    group.Count += delta;
    FTree.SetCaption(groupNode, GroupCaption(group));
}

void ContactCommands::actNewGroupExecute() {
    auto name = AskGroupName(texts().newGroupCaption, texts().newGroupName);
    if (!name)
        return;
    // The reply carries only the id: the group gets the name of the latest request.
    FConn.AddGroupName = *name;
    FConn.SendLine(proto::groupAddLine(*name));
}

void ContactCommands::actRenameGroupExecute(ContactNode* selected) {
    if (!groupOf(selected))
        return;
    const std::uint64_t removals = FTree.Removals();
    auto name = AskGroupName(texts().renameGroupCaption, groupOf(selected)->GroupName);
    if (!name)
        return;
    ContactNode* node = StillThere(selected, removals);
    if (!node)
        return;
    AGroup& group = *node->Data()->Group();
    group.GroupName = *name;
    FTree.SetCaption(node, GroupCaption(group));
    // Sent also when the name did not change.
    FConn.SendLine(proto::groupRenameLine(group.GroupId, group.GroupName));
}

void ContactCommands::actDeleteGroupExecute(ContactNode* selected) {
    if (!selected)
        return;
    if (selected->ChildCount() != 0) {
        FBoxes.Show(texts().groupNotEmpty, Icon::Information, Buttons::Ok);
        return;
    }
    const std::uint64_t removals = FTree.Removals();
    if (FBoxes.Show(texts().deleteGroupQuestion, Icon::Information, Buttons::YesNo) !=
        MessageBoxes::Result::Yes)
        return;
    ContactNode* node = StillThere(selected, removals);
    // A partner node was asked about and is left alone; a group that gained partners while
    // the question was open is not deleted with them.
    if (!groupOf(node) || node->ChildCount() != 0)
        return;
    const std::int32_t groupId = groupOf(node)->GroupId;
    FTree.Delete(node);
    FConn.SendLine(proto::groupDeleteLine(groupId));
}

void ContactCommands::actAddUserExecute() {
    auto values = FDialogs.AddPartner();
    if (!values)
        return;
    if (values->NickName.empty() || values->PreNum.empty() || values->Number.empty()) {
        FBoxes.Show(texts().emptyField, Icon::Information, Buttons::Ok);
        return;
    }
    if (RefusedNickName(values->NickName))
        return;
    const std::string countryCode = values->Nation == texts().korea ? "82" : "";
    FConn.AddNation = values->Nation;
    FConn.AddPreNum = values->PreNum;
    FConn.AddNumber = values->Number;
    FConn.AddVtNumber = values->VtNumber;
    FConn.AddNickName = values->NickName;
    FConn.CmdType = "UN";
    FConn.SendLine(
        proto::buddyRegisterLine(countryCode, values->PreNum + values->Number, values->NickName));
}

void ContactCommands::actMemberInfoExecute(ContactNode* selected) {
    if (!buddyOf(selected))
        return;
    const std::uint64_t removals = FTree.Removals();
    auto values = FDialogs.PartnerDetails(*buddyOf(selected));
    if (!values)
        return;
    ContactNode* node = StillThere(selected, removals);
    if (!node || RefusedNickName(values->NickName))
        return;
    FConn.CmdType = "UM";
    ABuddy& partner = *node->Data()->Buddy();
    partner.Phone = values->PreNum + values->Number;
    partner.NickName = values->NickName;
    FTree.SetCaption(node, partner.NickName);
    FConn.SendLine(proto::buddyChangeLine(partner.UserPort, partner.Phone, partner.NickName));
}

void ContactCommands::actDeleteUserExecute(ContactNode* selected) {
    if (!selected)
        return;
    const std::uint64_t removals = FTree.Removals();
    if (FBoxes.Show(texts().deleteUserQuestion, Icon::Information, Buttons::YesNo) !=
        MessageBoxes::Result::Yes)
        return;
    ContactNode* node = StillThere(selected, removals);
    // A group node was asked about and is left alone.
    if (!buddyOf(node))
        return;
    if (ContactNode* parent = node->Parent(); groupOf(parent))
        SetGroupCount(parent, -1);
    FConn.CmdType = "UD";
    const std::string port = buddyOf(node)->UserPort;
    FTree.Delete(node);
    FConn.SendLine(proto::buddyDeleteLine(port));
}

bool ContactCommands::TVuserlistDragOver(const ContactNode* dragged,
                                         const ContactNode* target) const {
    const ABuddy* partner = buddyOf(dragged);
    const AGroup* group = groupOf(target);
    return partner && group && group->GroupId != partner->GroupId;
}

void ContactCommands::TVuserlistDragDrop(ContactNode* dragged, ContactNode* target) {
    if (!TVuserlistDragOver(dragged, target))
        return;
    if (ContactNode* parent = dragged->Parent(); groupOf(parent))
        SetGroupCount(parent, -1);
    SetGroupCount(target, +1);
    FTree.MoveTo(dragged, target);
    ABuddy& partner = *dragged->Data()->Buddy();
    partner.GroupId = groupOf(target)->GroupId;
    FConn.SendLine(proto::buddyMoveLine(partner.GroupId, partner.UserPort));
}

void ContactCommands::DoGroupAdd() {
    auto group = std::make_unique<AGroup>();
    group->GroupId = proto::addedGroupId(FConn.Msg);
    group->GroupName = FConn.AddGroupName;
    ContactNode* node = nullptr;
    {
        std::lock_guard lock(FTreeLock);
        node = FTree.AddRoot(GroupCaption(*group), kGroupImage);
    }
    FTree.SetData(node, std::make_unique<ANodeData>(std::move(group)));
}

void ContactCommands::DoUserAdd() {
    if (FConn.CmdType != "UN")
        return;
    const proto::UserAddResult result = proto::userAddResult(FConn.Msg);
    const std::string& code = result.code;
    if (code == "0") {
        auto partner = std::make_unique<ABuddy>();
        partner->NickName = FConn.AddNickName;
        partner->Phone = FConn.AddPreNum + FConn.AddNumber;
        partner->VtNumber = FConn.AddVtNumber;
        partner->UserPort = result.value;
        const std::string notice = partner->NickName + "(" + partner->Phone + texts().registered;
        ContactNode* node = nullptr;
        {
            std::lock_guard lock(FTreeLock);
            node = FTree.AddRoot(partner->NickName, kBuddyImage);
        }
        FTree.SetData(node, std::make_unique<ANodeData>(std::move(partner)));
        FBoxes.Show(notice, Icon::Information, Buttons::Ok);
    } else if (code == "10" || code == "13" || code == "14") {
        if (code == "10")
            FConn.AddVtNumber = result.value;
        FDialogs.ConfirmPartner({FConn.AddNation, FConn.AddPreNum, FConn.AddNumber,
                                 FConn.AddNickName, FConn.AddVtNumber});
    } else if (code == "11") {
        FBoxes.Show(texts().barred, Icon::Information, Buttons::Ok);
    } else if (code == "12") {
        FBoxes.Show(texts().tooMany, Icon::Information, Buttons::Ok);
    } else {
        FBoxes.Show(texts().failed + code + ")", Icon::Information, Buttons::Ok);
    }
}

}  // namespace kv
