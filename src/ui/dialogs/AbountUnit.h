#pragma once

// TAboutForm: the about box with the program's version. Its caller shows it modally and frees it.

#include <QDialog>

#include <string>

class QFrame;
class QLabel;
class QPushButton;

namespace kv {

class LinkLabel;
class Shell;

class TAboutForm final : public QDialog {
    Q_OBJECT
public:
    // `shell` opens the home page (`serviceWebRoot`) when the logo is clicked.
    TAboutForm(Shell& shell, std::string serviceWebRoot, QWidget* owner = nullptr);

    QFrame* spSkinPanel1 = nullptr;
    LinkLabel* spSkinLinkImage1 = nullptr;
    QLabel* spSkinStdLabel3 = nullptr;
    QLabel* spSkinStdLabel1 = nullptr;
    QLabel* spSkinStdLabel2 = nullptr;
    QPushButton* spSkinButton1 = nullptr;

    void spSkinLinkImage1Click();

private:
    Shell& FShell;
    std::string FWebRoot;
};

}  // namespace kv
