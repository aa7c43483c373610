#include "ui/dialogs/AbountUnit.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "core/base/CommonUnit.h"
#include "core/ports/shell.h"
#include "core/web/page_windows.h"
#include "qt/logo.h"
#include "qt/widgets/link_label.h"

namespace kv {

TAboutForm::TAboutForm(Shell& shell, std::string serviceWebRoot, QWidget* owner)
    // No title-bar buttons; "확인" closes it.
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      FShell(shell),
      FWebRoot(std::move(serviceWebRoot)) {
    setWindowTitle(QStringLiteral("케스트로바네에 대하여..."));
    setFixedSize(347, 197);

    spSkinPanel1 = new QFrame(this);
    spSkinPanel1->setFrameShape(QFrame::StyledPanel);
    spSkinPanel1->setFrameShadow(QFrame::Sunken);
    spSkinPanel1->setGeometry(8, 8, 233, 65);
    spSkinLinkImage1 = new LinkLabel(QString(), spSkinPanel1);
    spSkinLinkImage1->setGeometry(8, 8, 216, 49);
    spSkinLinkImage1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    spSkinLinkImage1->setPixmap(KestrovaneLogo(44));
    spSkinLinkImage1->setToolTip(QString::fromStdString(FWebRoot));
    spSkinLinkImage1->setAccessibleName(QStringLiteral("케스트로바네 홈페이지"));
    connect(spSkinLinkImage1, &LinkLabel::clicked, this, [this] { spSkinLinkImage1Click(); });

    // The labels keep their places but reach to the right edge, so that a longer version line
    // is not cut.
    auto label = [this](const QString& text, int top) {
        auto* l = new QLabel(text, this);
        l->setGeometry(8, top, width() - 16, l->sizeHint().height());
        return l;
    };
    spSkinStdLabel3 = label(QStringLiteral("Kestrovane Messenger"), 80);
    spSkinStdLabel1 =
        label(QStringLiteral("케스트로바네 - ") + QString::fromLatin1(kProgramVersion), 104);
    spSkinStdLabel2 =
        label(QStringLiteral("Copyright © 케스트로바네 개발팀. 모든 권리 보유."), 128);

    spSkinButton1 = new QPushButton(QStringLiteral("확인"), this);
    spSkinButton1->setGeometry(136, 160, 75, 25);
    spSkinButton1->setDefault(true);
    connect(spSkinButton1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::spSkinLinkImage1Click() {
    OpenInExplorer(FShell, FWebRoot);
}

}  // namespace kv
