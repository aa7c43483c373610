#include "ui/dialogs/LoginUnit.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>

#include "core/ports/shell.h"
#include "core/web/page_addresses.h"
#include "qt/qt_text.h"
#include "qt/widgets/bottom_line.h"
#include "qt/widgets/link_label.h"

namespace kv {

namespace {

// Password boxes show "*" for every character.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

TLogin::TLogin(Shell& shell, std::string serviceWebRoot, QWidget* owner)
    : QDialog(owner), FShell(shell), FWebRoot(std::move(serviceWebRoot)) {
    setWindowTitle(QStringLiteral("케스트로바네 로그인"));
    setFixedSize(290, 143);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const QFont bold = BoldOf(font());
    Label1 = new QLabel(QStringLiteral("아이디(&N):"), this);
    Label1->setGeometry(19, 16, 66, 14);
    Label1->setFont(bold);
    Label2 = new QLabel(QStringLiteral("암호(&P):"), this);
    Label2->setGeometry(32, 44, 52, 14);
    Label2->setFont(bold);

    Userid = new QLineEdit(this);
    Userid->setGeometry(96, 12, 185, 20);
    Userid->setValidator(new Cp949Validator(Userid));
    Label1->setBuddy(Userid);
    Password = new QLineEdit(this);
    Password->setGeometry(96, 40, 185, 20);
    Password->setValidator(new Cp949Validator(Password));
    auto* starStyle = new StarPasswordStyle();
    starStyle->setParent(Password);
    Password->setStyle(starStyle);
    Password->setEchoMode(QLineEdit::Password);
    Label2->setBuddy(Password);

    AutoLogin = new QCheckBox(QStringLiteral("자동 로그인"), this);
    AutoLogin->setGeometry(96, 69, 90, 17);
    savepassword = new QCheckBox(QStringLiteral("암호 저장"), this);
    savepassword->setGeometry(200, 68, 80, 17);

    Bevel1 = new BottomLine(this);
    Bevel1->setGeometry(8, 88, 273, 9);

    NewMember = new LinkLabel(QStringLiteral("회원가입"), this);
    NewMember->setGeometry(16, 104, 60, 15);
    FindMember = new LinkLabel(QStringLiteral("아이디,암호 찾기"), this);
    FindMember->setGeometry(16, 121, 100, 15);

    btnOK = new QPushButton(QStringLiteral("확인"), this);
    btnOK->setGeometry(128, 108, 73, 25);
    Button2 = new QPushButton(QStringLiteral("취소"), this);
    Button2->setGeometry(208, 108, 73, 25);
    // Neither button is a default: Enter submits only from the password box.
    for (QPushButton* b : {btnOK, Button2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    setTabOrder(Userid, Password);
    setTabOrder(Password, AutoLogin);
    setTabOrder(AutoLogin, savepassword);
    setTabOrder(savepassword, btnOK);
    setTabOrder(btnOK, Button2);
    Userid->setFocus();

    connect(Userid, &QLineEdit::textChanged, this, &TLogin::UseridChange);
    connect(Password, &QLineEdit::textChanged, this, &TLogin::PasswordChange);
    connect(Password, &QLineEdit::returnPressed, this, &TLogin::PasswordKeyPress);
    connect(AutoLogin, &QCheckBox::toggled, this, &TLogin::AutoLoginClick);
    connect(NewMember, &LinkLabel::clicked, this, &TLogin::NewMemberClick);
    connect(FindMember, &LinkLabel::clicked, this, &TLogin::FindMemberClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TLogin::SetValues(const LoginValues& values) {
    AutoLogin->setChecked(values.AutoLogin);
    Userid->setText(fromCp949(values.UserId));
    savepassword->setChecked(values.SavePassword);
    if (values.SavePassword)
        Password->setText(fromCp949(values.Password));
}

LoginValues TLogin::Values() const {
    return {toCp949(Userid->text()).value_or(""), toCp949(Password->text()).value_or(""),
            AutoLogin->isChecked(), savepassword->isChecked()};
}

bool TLogin::LongEnough(const QString& text) {
    const auto bytes = cp949Length(text);
    return bytes && *bytes > 2;
}

void TLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!FActivated) {
        FActivated = true;
        FormActivate();
    }
}

void TLogin::keyPressEvent(QKeyEvent* event) {
    // Escape does not close the dialog; only its buttons do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TLogin::FormActivate() {
    if (!Userid->text().isEmpty())
        Password->setFocus();
    UseridChange();
}

void TLogin::UseridChange() {
    const bool enable = LongEnough(Userid->text()) && LongEnough(Password->text());
    AutoLogin->setEnabled(enable);
    savepassword->setEnabled(enable);
}

void TLogin::PasswordChange() {
    const bool enable = LongEnough(Userid->text()) && LongEnough(Password->text());
    if (!enable) {
        // Marks first: unchecking auto-login enables save-password, which must end disabled.
        AutoLogin->setChecked(false);
        savepassword->setChecked(false);
    }
    AutoLogin->setEnabled(enable);
    savepassword->setEnabled(enable);
}

void TLogin::PasswordKeyPress() {
    btnOK->click();
}

void TLogin::AutoLoginClick() {
    if (AutoLogin->isChecked())
        savepassword->setChecked(true);
    else
        savepassword->setEnabled(true);
}

void TLogin::NewMemberClick() {
    FShell.Open(SignUpPageURL(FWebRoot));
}

void TLogin::FindMemberClick() {
    FShell.Open(LookupPageURL(FWebRoot));
}

}  // namespace kv
