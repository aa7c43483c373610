#include "ui/group_send/GroupSendUnit.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include <algorithm>
#include <exception>

#include "core/base/cp949.h"
#include "core/connection/vane.h"
#include "core/contacts/contact_tree.h"
#include "core/ports/message_boxes.h"
#include "core/ports/web_browser.h"
#include "core/service/service_addresses.h"
#include "core/web/page_addresses.h"
#include "core/web/page_windows.h"
#include "qt/native_window.h"
#include "qt/qt_text.h"
#include "qt/widgets/send_memo.h"

namespace kv {

// One of the dialog's two lists as the list views show it: the entries' shown texts. The
// entries stay in RecipientLists; every change to them is bracketed by Changing().
class RecipientListModel final : public QAbstractListModel {
public:
    RecipientListModel(const std::vector<RecipientLists::Entry>& entries, QObject* parent)
        : QAbstractListModel(parent), FEntries(entries) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(FEntries.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return fromCp949(FEntries[static_cast<std::size_t>(index.row())]->NickName);
        return {};
    }

    template <typename Change>
    void Changing(Change change) {
        beginResetModel();
        change();
        endResetModel();
    }

    // Appends one entry, which `append` adds at the end.
    template <typename Append>
    void Appending(Append append) {
        const int row = rowCount();
        beginInsertRows({}, row, row);
        append();
        endInsertRows();
    }

private:
    const std::vector<RecipientLists::Entry>& FEntries;
};

namespace {

// The selected rows of a list, in any order.
std::vector<std::size_t> selectedRows(const QListView* list) {
    std::vector<std::size_t> rows;
    const QModelIndexList picked = list->selectionModel()->selectedIndexes();
    rows.reserve(static_cast<std::size_t>(picked.size()));
    for (const QModelIndex& i : picked)
        rows.push_back(static_cast<std::size_t>(i.row()));
    return rows;
}

QLabel* label(const char* caption, QWidget* parent, const QRect& place, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setGeometry(place);
    if (buddy) {
        l->setBuddy(buddy);
        buddy->setAccessibleName(l->text());
        // A drop-down's list is read out under its box's name.
        if (auto* combo = qobject_cast<QComboBox*>(buddy))
            combo->view()->setAccessibleName(l->text());
    }
    return l;
}

QLineEdit* numberBox(QWidget* parent, const QRect& place) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(place);
    box->setMaxLength(11);
    // Digits only, also when pasted; no input method composes letters into it.
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setInputMethodHints(Qt::ImhDigitsOnly);
    return box;
}

}  // namespace

TGroupSend::TGroupSend(GroupSendServices services, QWidget* owner)
    : QDialog(owner), FServices(std::move(services)) {
    setWindowTitle(QStringLiteral("그룹 전송"));
    // A dialog border: a fixed size and a close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(652, 333);
    setModal(true);
    BuildControls();
}

TGroupSend::~TGroupSend() {
    FormClose();
    // The models read the lists, which go before the views and models would.
    delete FContactModel;
    delete FSendModel;
    FContactModel = FSendModel = nullptr;
}

void TGroupSend::BuildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral("대화 상대"), this);
    GroupBox1->setGeometry(8, 8, 329, 273);

    FContactModel = new RecipientListModel(FLists.Contacts(), this);
    FSendModel = new RecipientListModel(FLists.Recipients(), this);
    const auto makeList = [this](RecipientListModel* model, const QRect& place) {
        auto* list = new QListView(GroupBox1);
        list->setGeometry(place);
        list->setModel(model);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setUniformItemSizes(true);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return list;
    };
    lbxUserList = makeList(FContactModel, {8, 40, 113, 137});
    label("대화 상대", GroupBox1, {8, 22, 113, 16}, lbxUserList);
    lbxSendList = makeList(FSendModel, {200, 40, 121, 225});
    label("받는 사람", GroupBox1, {200, 22, 121, 16}, lbxSendList);

    Button1 = new QPushButton(QStringLiteral("추가 >>"), GroupBox1);
    Button1->setGeometry(126, 56, 67, 25);
    Button2 = new QPushButton(QStringLiteral("<< 삭제"), GroupBox1);
    Button2->setGeometry(126, 88, 67, 25);

    edPhone = numberBox(GroupBox1, {8, 213, 121, 20});
    label("받는 사람 번호", GroupBox1, {8, 195, 121, 16}, edPhone);
    Button4 = new QPushButton(QStringLiteral("추가(&A)"), GroupBox1);
    Button4->setGeometry(62, 237, 67, 21);

    GroupBox2 = new QGroupBox(QStringLiteral("보내는 사람"), this);
    GroupBox2->setGeometry(344, 8, 305, 57);
    edSendPhone = numberBox(GroupBox2, {160, 18, 121, 20});
    label("보내는 번호", GroupBox2, {16, 20, 137, 16}, edSendPhone);
    edSendPhone->setEnabled(false);

    GroupBox3 = new QGroupBox(QStringLiteral("예약 전송"), this);
    GroupBox3->setGeometry(344, 72, 305, 89);
    SendRes = new QCheckBox(QStringLiteral("예약 전송"), GroupBox3);
    SendRes->setGeometry(8, 20, 84, 17);
    SendRes->setChecked(true);
    SendDate = new QDateEdit(GroupBox3);
    SendDate->setGeometry(96, 18, 201, 21);
    SendDate->setLocale(QLocale::system());
    SendDate->setDisplayFormat(QLocale::system().dateFormat(QLocale::LongFormat));
    SendDate->setCalendarPopup(true);
    SendDate->setAccessibleName(QStringLiteral("예약 날짜"));
    SendTime = new QComboBox(GroupBox3);
    SendTime->setGeometry(8, 56, 49, 21);
    for (int h = 0; h < 24; ++h)
        SendTime->addItem(QString::number(h));
    label("시", GroupBox3, {61, 58, 16, 16}, SendTime);
    SendMin = new QSpinBox(GroupBox3);
    SendMin->setGeometry(80, 56, 49, 21);
    SendMin->setRange(0, 59);
    label("분", GroupBox3, {133, 58, 16, 16}, SendMin);
    ReservedMsg = new QPushButton(QStringLiteral("예약 내용 보기"), GroupBox3);
    ReservedMsg->setGeometry(200, 56, 97, 25);

    Button3 = new QPushButton(QStringLiteral("이모티콘"), this);
    Button3->setGeometry(344, 175, 57, 22);
    SendLeft = new QLabel(QStringLiteral("80자 남음"), this);
    SendLeft->setGeometry(405, 182, 116, 16);
    SendLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SendText = new TSendMemo(this);
    SendText->setGeometry(344, 200, 177, 81);
    SendText->MaxLength = static_cast<int>(kMaxMessageBytes);
    SendText->setAccessibleName(QStringLiteral("전송 내용"));
    SendBtn = new QPushButton(QStringLiteral("예약(즉시) 전송(&S)"), this);
    SendBtn->setGeometry(528, 200, 121, 81);
    Button5 = new QPushButton(QStringLiteral("닫기"), this);
    Button5->setGeometry(552, 304, 97, 25);
    Button5->setAutoDefault(false);
    RecipientInfo = new QLabel(this);
    RecipientInfo->setGeometry(8, 304, 337, 25);
    RecipientInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Narrow buttons: their captions may not fit a wide font, the buttons must still work.
    for (QPushButton* b : {Button1, Button2, Button3, Button4, ReservedMsg})
        b->setStyleSheet(QStringLiteral("padding: 0px;"));
    for (QPushButton* b : {Button1, Button2, Button3, Button4, ReservedMsg, SendBtn})
        b->setAutoDefault(false);

    edPhone->installEventFilter(this);
    edSendPhone->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(SendRes, &QCheckBox::clicked, this, [this] { SendResClick(); });
    connect(SendText, &QPlainTextEdit::textChanged, this, [this] { SendTextChange(); });
    connect(SendBtn, &QPushButton::clicked, this, [this] { SendBtnClick(); });
    connect(ReservedMsg, &QPushButton::clicked, this, [this] { ReservedMsgClick(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { close(); });
    ListsChanged();
}

void TGroupSend::FillContacts(const ContactTree& tree) {
    FContactModel->Changing([&] {
        for (std::size_t i = 0; i < tree.Count(); ++i) {
            const ANodeData* data = tree.Item(i)->Data();
            if (data == nullptr || data->Kind() != ANodeData::kBuddy || data->Buddy() == nullptr)
                continue;
            FLists.AddContact(data->Buddy()->NickName, data->Buddy()->UserPort);
        }
    });
    ListsChanged();
}

QDateTime TGroupSend::Now() const {
    return FServices.now ? FServices.now() : QDateTime::currentDateTime();
}

void TGroupSend::ShowBox(const std::string& text, bool error) {
    if (FServices.boxes)
        FServices.boxes->Show(text,
                              error ? MessageBoxes::Icon::Error : MessageBoxes::Icon::Information,
                              MessageBoxes::Buttons::Ok);
}

void TGroupSend::ListsChanged() {
    const std::int32_t balance = FServices.conn ? FServices.conn->CashCount : 0;
    RecipientInfo->setText(fromCp949(RecipientInfoCaption(FLists.Recipients().size(), balance)));
}

void TGroupSend::Button1Click() {
    std::vector<std::size_t> rows = selectedRows(lbxUserList);
    FContactModel->Changing(
        [&] { FSendModel->Changing([&] { FLists.MoveToRecipients(std::move(rows)); }); });
    ListsChanged();
}

void TGroupSend::Button2Click() {
    std::vector<std::size_t> rows = selectedRows(lbxSendList);
    FContactModel->Changing(
        [&] { FSendModel->Changing([&] { FLists.MoveToContacts(std::move(rows)); }); });
    ListsChanged();
}

void TGroupSend::Button4Click() {
    // The box takes digits only, so the text is ASCII.
    const std::string number = edPhone->text().toStdString();
    switch (FLists.CheckTypedNumber(number)) {
        case RecipientLists::AddResult::Invalid: ShowBox(cp949("핸드폰 번호 오류"), true); return;
        case RecipientLists::AddResult::Duplicate: return;
        case RecipientLists::AddResult::Added: break;
    }
    FSendModel->Appending([&] { FLists.AddTypedNumber(number); });
    ListsChanged();
    edPhone->clear();
    edPhone->setFocus();
    edSendPhone->setEnabled(true);
    if (edSendPhone->text().isEmpty()) {
        ShowBox(cp949("보내는 핸드폰 번호를 입력해 주십시오"), false);
        edSendPhone->setFocus();
    }
}

bool TGroupSend::edPhoneKeyPress(const QKeyEvent& key) const {
    const QString typed = key.text();
    if (typed.isEmpty())
        return false;  // no character: arrows, Delete, Home ...
    const QChar c = typed.at(0);
    if (c == QLatin1Char('\b') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
        return false;
    // Control characters (Tab, Enter, Ctrl+C, Ctrl+V) keep their usual effect; what a paste
    // brings is held to digits by the box's validator.
    return c.isPrint();
}

bool TGroupSend::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == edPhone || watched == edSendPhone))
        return edPhoneKeyPress(*static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TGroupSend::SendResClick() {
    const bool on = SendRes->isChecked();
    SendDate->setEnabled(on);
    SendTime->setEnabled(on);
    SendMin->setEnabled(on);
}

void TGroupSend::SendTextChange() {
    SendLeft->setText(fromCp949(BytesLeftCaption(SendText->BytesUsed())));
}

void TGroupSend::SendBtnClick() {
    GroupSendInput input;
    input.text = SendText->Cp949Text();
    input.senderBox = edSendPhone->text().toStdString();
    input.reserved = SendRes->isChecked();
    const QDate date = SendDate->date();
    input.when = {date.year(), date.month(), date.day(), SendTime->currentText().toInt(),
                  SendMin->value()};
    input.shortDate = toCp949(QLocale::system().toString(date, QLocale::ShortFormat))
                          .value_or(date.toString(Qt::ISODate).toStdString());
    const GroupSendPlan plan = PlanGroupSend(input, FLists.Recipients());
    if (!plan.refusal.empty()) {
        ShowBox(plan.refusal, false);
        return;
    }
    TVANE& conn = *FServices.conn;
    conn.CmdType = plan.cmdType;
    if (FServices.boxes->Show(plan.question, MessageBoxes::Icon::Information,
                              MessageBoxes::Buttons::YesNo) != MessageBoxes::Result::Yes)
        return;
    if (conn.State() == ConnectionState::SignedIn) {
        try {
            conn.WriteLine(plan.line);
        } catch (const std::exception& e) {
            // The one write whose failure does not end the connection: the member keeps what
            // was entered and may try again.
            const auto reason = utf8ToCp949(e.what());
            ShowBox(reason ? *reason : std::string(e.what()), true);
            return;
        }
    }
    accept();
}

void TGroupSend::ReservedMsgClick() {
    if (!FServices.web || !FServices.conn)
        return;
    const QPoint at = QCursor::pos();
    OpenReservedWindow(*FServices.web, ServiceWebRoot(), FServices.conn->Userid, at.x(), at.y());
}

void TGroupSend::Button3Click() {
    if (!FServices.web || !FServices.conn)
        return;
    // The page hands the chosen emoticon back through copy-data with port "0".
    OpenWebWindow(*FServices.web, GroupEmoticonWebForm, NativeWindowOf(this),
                  {EmoticonWindowCaption(), 550, 430, false},
                  EmoticonPageURL(ServiceWebRoot(), FServices.conn->Userid, "0"));
}

void TGroupSend::FormActivate() {
    ListsChanged();  // the balance may have changed meanwhile
    // The defaults are set when the dialog opens. Later activations (after one of its message
    // boxes, from a browser window, from another program) keep what the member has chosen:
    // resetting them would send a reserved text at a time the member did not pick.
    if (FActivated)
        return;
    FActivated = true;
    const QDateTime now = Now();
    const QDate today = now.date();
    const proto::Reservation when = DefaultReservation(
        {today.year(), today.month(), today.day(), now.time().hour(), now.time().minute()});
    SendDate->setDate(today);
    SendTime->setCurrentIndex(when.hour);
    SendMin->setValue(when.minute);
    SendRes->setChecked(true);
    SendResClick();
    lbxUserList->selectAll();
}

void TGroupSend::FormClose() {
    FContactModel->Changing([&] { FSendModel->Changing([&] { FLists.Clear(); }); });
    if (GroupEmoticonWebForm) {
        GroupEmoticonWebForm->Close();
        GroupEmoticonWebForm.reset();
    }
}

void TGroupSend::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TGroupSend::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

}  // namespace kv
