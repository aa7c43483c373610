#pragma once

// TLogin: the modal dialog in which the member enters the user id and password and chooses
// automatic sign-in and saving the password.

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {

class LinkLabel;
class Shell;

// What the dialog shows and gives back (texts in CP949).
struct LoginValues {
    std::string UserId;
    std::string Password;  // empty unless the password is saved
    bool AutoLogin = false;
    bool SavePassword = false;
    bool operator==(const LoginValues&) const = default;
};

class TLogin : public QDialog {
    Q_OBJECT
public:
    TLogin(Shell& shell, std::string serviceWebRoot, QWidget* owner = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Userid;
    QLineEdit* Password;
    QCheckBox* AutoLogin;
    QCheckBox* savepassword;
    QWidget* Bevel1;
    LinkLabel* NewMember;
    LinkLabel* FindMember;
    QPushButton* btnOK;
    QPushButton* Button2;

    void SetValues(const LoginValues& values);
    // The boxes accept only what CP949 holds, so their texts always convert.
    LoginValues Values() const;

    // A text is long enough when it is longer than 2 bytes in CP949.
    static bool LongEnough(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormActivate();
    void UseridChange();
    void PasswordChange();
    void PasswordKeyPress();
    void AutoLoginClick();
    void NewMemberClick();
    void FindMemberClick();

    Shell& FShell;
    std::string FWebRoot;
    bool FActivated = false;
};

}  // namespace kv
