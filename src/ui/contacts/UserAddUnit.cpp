#include "ui/contacts/UserAddUnit.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/connection/line_protocol.h"
#include "core/connection/vane.h"
#include "qt/qt_text.h"
#include "qt/widgets/bottom_line.h"

namespace kv {

namespace {

constexpr int kWidth = 395;
constexpr int kHeight = 135;
// Confirm mode: an outer height of 250 pixels, less the title bar and the borders.
constexpr int kConfirmHeight = 223;
constexpr int kNumberLength = 8;

const QString& infoText() {
    static const QString text = QStringLiteral(
        "신규등록 확인메세지를 전송하였습니다.\n"
        "신규등록을 완료하려면 5초후 확인 버튼을 눌러 정상적으로\n"
        "전송을 완료해야 합니다.\n"
        "\n"
        "만약 이 창이 반복하여 여러번 나타나면 핸드폰이 커져있거나 \n"
        "번호에 문제가 있을 수 있으며 취소후 재시도 하시기 바랍니다.");
    return text;
}

std::string bytes(const QString& text) {
    // Every box takes only what CP949 holds.
    return toCp949(text).value_or(std::string());
}

}  // namespace

TUserAddForm::TUserAddForm(TVANE& conn, QWidget* owner) : QDialog(owner), FConn(conn) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    move(385, 288);

    Label2 = new QLabel(QStringLiteral("핸드폰 번호 ('-' 없음) "), this);
    Label2->setGeometry(12, 12, 124, 12);
    cbNation = new QComboBox(this);
    cbNation->setGeometry(152, 8, 72, 20);
    cbNation->addItem(QStringLiteral("한국"));
    cbNation->setFocusPolicy(Qt::ClickFocus);  // skipped by Tab
    cbPreNum = new QComboBox(this);
    cbPreNum->setGeometry(237, 8, 59, 20);
    for (std::string_view prefix : kPhonePrefixes)
        cbPreNum->addItem(
            QString::fromLatin1(prefix.data(), static_cast<qsizetype>(prefix.size())));
    edNumber = new QLineEdit(this);
    edNumber->setGeometry(300, 8, 85, 20);
    edNumber->setMaxLength(kNumberLength);
    edNumber->setInputMethodHints(Qt::ImhDigitsOnly);
    // Digits only (edNumberKeyPress): anything else typed or pasted never reaches the box;
    // backspace and the other editing keys work as usual.
    edNumber->setValidator(new RefusingValidator(
        edNumber, [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }));
    Label2->setBuddy(edNumber);

    Label3 = new QLabel(QStringLiteral("핸드폰 사용자 닉네임"), this);
    Label3->setGeometry(12, 36, 116, 12);
    edNickName = new QLineEdit(this);
    edNickName->setGeometry(152, 32, 233, 20);
    RefuseCharacters(edNickName, std::string(kNickNameRefused), NickNameRefusedMessage());
    Label3->setBuddy(edNickName);

    lbVtNumber = new QLabel(QStringLiteral("핸드폰 사용자 가상번호"), this);
    lbVtNumber->setGeometry(12, 64, 128, 12);
    edVtNumber = new QLineEdit(this);
    edVtNumber->setGeometry(152, 60, 233, 20);
    edVtNumber->setReadOnly(true);
    QPalette grey = edVtNumber->palette();
    grey.setColor(QPalette::Base, palette().color(QPalette::Button));
    edVtNumber->setPalette(grey);
    lbVtNumber->setBuddy(edVtNumber);

    cbSendMsg = new QCheckBox(
        QStringLiteral("핸드폰으로 회원님이 메신저에 등록하였음을 자동으로 알립니다."), this);
    cbSendMsg->setGeometry(8, 61, 377, 17);
    cbSendMsg->setChecked(true);

    Bevel1 = new BottomLine(this);
    Bevel1->setGeometry(8, 75, 377, 17);

    info = new QLabel(infoText(), this);
    // Six lines at whatever height the font gives them.
    info->setGeometry(32, 104, 336, std::max(84, info->sizeHint().height()));
    info->hide();

    OkBtn = new QPushButton(QStringLiteral("확인"), this);
    Button2 = new QPushButton(QStringLiteral("취소"), this);
    PlaceButtons();

    // A screen reader names each box by its label.
    for (QWidget* box : {static_cast<QWidget*>(cbNation), static_cast<QWidget*>(cbPreNum),
                         static_cast<QWidget*>(edNumber)})
        box->setAccessibleName(Label2->text());
    // The lists the drop-downs open are read out under the same name.
    cbNation->view()->setAccessibleName(Label2->text());
    cbPreNum->view()->setAccessibleName(Label2->text());
    cbNation->setAccessibleDescription(QStringLiteral("국가"));
    cbPreNum->setAccessibleDescription(QStringLiteral("앞자리"));
    edNickName->setAccessibleName(Label3->text());
    edVtNumber->setAccessibleName(lbVtNumber->text());

    setTabOrder(cbPreNum, edNumber);
    setTabOrder(edNumber, edNickName);
    setTabOrder(edNickName, OkBtn);
    setTabOrder(OkBtn, Button2);
    setTabOrder(Button2, cbSendMsg);

    DelayTimer = new QTimer(this);
    DelayTimer->setInterval(5000);

    connect(DelayTimer, &QTimer::timeout, this, &TUserAddForm::DelayTimerTimer);
    connect(OkBtn, &QPushButton::clicked, this, &TUserAddForm::OkBtnClick);
    connect(Button2, &QPushButton::clicked, this, &TUserAddForm::Button2Click);
    SetUpAdd();
}

void TUserAddForm::PlaceButtons() {
    // Kept at the same distance from the right and bottom edges as the window grows.
    OkBtn->setGeometry(width() - 163, height() - 32, 75, 25);
    Button2->setGeometry(width() - 83, height() - 32, 75, 25);
}

void TUserAddForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceButtons();
}

void TUserAddForm::SetUpAdd() {
    FMode = kAdd;
    setWindowTitle(QStringLiteral("대화 상대 추가"));
    cbSendMsg->show();
    lbVtNumber->hide();
    edVtNumber->hide();
}

void TUserAddForm::SetUpConfirm(const UserAddValues& pending) {
    FMode = kConfirm;
    setWindowTitle(QStringLiteral("대화 상대 추가 확인"));
    cbSendMsg->hide();
    lbVtNumber->show();
    edVtNumber->show();
    edVtNumber->setText(fromCp949(pending.VtNumber));
    cbNation->setCurrentIndex(cbNation->findText(fromCp949(pending.Nation)));
    cbNation->setEnabled(false);
    cbPreNum->setCurrentIndex(cbPreNum->findText(fromCp949(pending.PreNum)));
    cbPreNum->setEnabled(false);
    edNumber->setText(fromCp949(pending.Number));
    edNumber->setReadOnly(true);
    edNickName->setText(fromCp949(pending.NickName));
    edNickName->setReadOnly(true);
    info->show();
    // The text shows between the line and the buttons, also where the font runs taller.
    setFixedSize(kWidth, std::max(kConfirmHeight, info->geometry().bottom() + 1 + 8 + 32));
}

void TUserAddForm::SetUpDetails(const ABuddy& partner) {
    FMode = kDetails;
    setWindowTitle(QStringLiteral("대화 상대 등록정보"));
    cbSendMsg->hide();
    lbVtNumber->show();
    edVtNumber->show();
    edVtNumber->setText(fromCp949(partner.VtNumber));
    // A number that begins with none of the prefixes is shown whole, so that confirming the
    // dialog unchanged gives it back as it was.
    const PhoneParts parts = SplitPhone(partner.Phone);
    cbPreNum->setCurrentIndex(cbPreNum->findText(fromCp949(parts.PreNum)));
    const QString number = fromCp949(parts.Number);
    edNumber->setMaxLength(std::max<int>(kNumberLength, static_cast<int>(number.size())));
    edNumber->setText(number);
    edNickName->setText(fromCp949(partner.NickName));
}

UserAddValues TUserAddForm::Values() const {
    return {bytes(cbNation->currentText()), bytes(cbPreNum->currentText()), bytes(edNumber->text()),
            bytes(edNickName->text()), bytes(edVtNumber->text())};
}

void TUserAddForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TUserAddForm::FormShow() {
    if (FMode != kConfirm)
        return;
    OkBtn->setEnabled(false);
    DelayTimer->start();
}

void TUserAddForm::DelayTimerTimer() {
    OkBtn->setEnabled(true);
    DelayTimer->stop();
}

void TUserAddForm::OkBtnClick() {
    if (FMode != kConfirm) {
        accept();
        return;
    }
    // The confirmation names what this dialog shows, whatever registration came after it.
    const UserAddValues v = Values();
    try {
        FConn.SendLine(proto::buddyConfirmLine(v.PreNum + v.Number, v.VtNumber));
    } catch (const NetError&) {
        // The failed send has disconnected already; the dialog closes all the same.
    }
    accept();
}

void TUserAddForm::Button2Click() {
    reject();
}

std::optional<UserAddValues> QtUserAddDialogs::Wait(TUserAddForm& form) {
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.Values();
}

std::optional<UserAddValues> QtUserAddDialogs::AddPartner() {
    TUserAddForm form(FConn, FOwner);
    form.SetUpAdd();
    return Wait(form);
}

std::optional<UserAddValues> QtUserAddDialogs::PartnerDetails(const ABuddy& partner) {
    TUserAddForm form(FConn, FOwner);
    form.SetUpDetails(partner);
    return Wait(form);
}

void QtUserAddDialogs::ConfirmPartner(const UserAddValues& pending) {
    auto* form = new TUserAddForm(FConn, FOwner);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->SetUpConfirm(pending);
    form->show();
}

}  // namespace kv
