#include "ui/dialogs/OptionUnit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <stdexcept>

#include "core/base/cp949.h"
#include "core/ports/media_player.h"
#include "core/ports/message_boxes.h"
#include "core/ports/web_browser.h"
#include "core/service/settings_store.h"
#include "core/web/page_addresses.h"
#include "core/web/page_windows.h"
#include "qt/native_window.h"
#include "qt/qt_text.h"

namespace kv {

TOptionForm::TOptionForm(OptionServices services, QWidget* owner)
    : QDialog(owner), FServices(std::move(services)) {
    setWindowTitle(QStringLiteral("옵션"));
    setFixedSize(391, 236);

    GroupBox1 = new QGroupBox(QStringLiteral("로그인"), this);
    GroupBox1->setGeometry(8, 8, 377, 81);
    autorun = new QCheckBox(QStringLiteral("Windows를 시작할 때 자동으로 실행(&R)"), GroupBox1);
    autorun->setGeometry(16, 24, 241, 17);
    autologin = new QCheckBox(QStringLiteral("시작할 때 자동으로 로그인(&A)"), GroupBox1);
    autologin->setGeometry(16, 48, 185, 17);

    GroupBox2 = new QGroupBox(QStringLiteral("알림"), this);
    GroupBox2->setGeometry(6, 96, 379, 105);
    alram = new QCheckBox(QStringLiteral("새 메시지를 받으면 소리로 알림(&S)"), GroupBox2);
    alram->setGeometry(16, 24, 209, 17);
    alramfile = new QLineEdit(QStringLiteral("Alarm.wav"), GroupBox2);
    alramfile->setGeometry(16, 48, 217, 21);
    // Only filling and the ring-tone page change it.
    alramfile->setReadOnly(true);
    alramfile->setAccessibleName(QStringLiteral("알림음 파일"));
    QPalette face = alramfile->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    alramfile->setPalette(face);
    alrambtn = new QPushButton(QStringLiteral("변경(&C)"), GroupBox2);
    alrambtn->setGeometry(238, 46, 51, 25);
    alramplay = new QPushButton(QStringLiteral("&Play"), GroupBox2);
    alramplay->setGeometry(296, 46, 33, 25);
    Button3 = new QPushButton(QStringLiteral("S&top"), GroupBox2);
    Button3->setGeometry(330, 46, 33, 25);
    alramrepeat = new QCheckBox(QStringLiteral("알림음 반복(&B)"), GroupBox2);
    alramrepeat->setGeometry(16, 80, 105, 17);

    Button1 = new QPushButton(QStringLiteral("확인"), this);
    Button1->setGeometry(223, 207, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("취소"), this);
    Button2->setGeometry(309, 207, 75, 25);

    // Narrow buttons: their captions may not fit a wide font, the boxes must still work.
    for (QPushButton* b : {alramplay, Button3})
        b->setStyleSheet(QStringLiteral("padding: 0px;"));

    QWidget::setTabOrder(autorun, autologin);
    QWidget::setTabOrder(autologin, Button1);
    QWidget::setTabOrder(Button1, Button2);
    QWidget::setTabOrder(Button2, alram);
    QWidget::setTabOrder(alram, alramrepeat);
    QWidget::setTabOrder(alramrepeat, alramfile);
    QWidget::setTabOrder(alramfile, alrambtn);
    QWidget::setTabOrder(alrambtn, alramplay);
    QWidget::setTabOrder(alramplay, Button3);

    connect(alram, &QCheckBox::clicked, this, [this] { alramClick(); });
    connect(alrambtn, &QPushButton::clicked, this, [this] { alrambtnClick(); });
    connect(alramplay, &QPushButton::clicked, this, [this] { alramplayClick(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TOptionForm::~TOptionForm() {
    FormClose();
}

void TOptionForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TOptionForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TOptionForm::SetValues(const OptionValues& values) {
    autorun->setChecked(values.Autorun);
    autologin->setChecked(values.AutoLogin);
    alram->setChecked(values.Alram);
    alramfile->setText(fromCp949(values.AlramFile));
    alramrepeat->setChecked(values.Alramrepeat);
    FAlramFile = values.AlramFile;
}

OptionValues TOptionForm::Values() const {
    // Filled from CP949 texts only, so the conversion holds.
    return {autorun->isChecked(), autologin->isChecked(), alram->isChecked(),
            toCp949(alramfile->text()).value_or(FAlramFile), alramrepeat->isChecked()};
}

void TOptionForm::FormActivate() {
    alramClick();
}

void TOptionForm::alramClick() {
    // "S&top" stays usable: a sound may still be playing when the alarm is switched off.
    const bool on = alram->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(alramfile), static_cast<QWidget*>(alramrepeat),
                       static_cast<QWidget*>(alramplay), static_cast<QWidget*>(alrambtn)})
        w->setEnabled(on);
}

void TOptionForm::alrambtnClick() {
    if (!FServices.web)
        return;
    OpenWebWindow(*FServices.web, BellWebForm, NativeWindowOf(this),
                  {RingToneWindowCaption(), 550, 430, true},
                  RingTonePageURL(FServices.webRoot, FServices.userId));
}

void TOptionForm::alramplayClick() {
    try {
        if (!FServices.player)
            throw std::runtime_error("no media player");
        FServices.player->setPlayCount(1);
        FServices.player->setUrl(
            BellURL(FServices.webRoot, toCp949(alramfile->text()).value_or("")));
        FServices.player->play();
    } catch (...) {
        if (FServices.boxes)
            FServices.boxes->Show(cp949("윈도우 미디어 플레이어 9.0 이상을 설치 하십시오"),
                                  MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
    }
}

void TOptionForm::Button3Click() {
    if (FServices.player)
        FServices.player->stop();
}

void TOptionForm::FormClose() {
    if (BellWebForm) {
        BellWebForm->Close();
        BellWebForm.reset();
    }
}

}  // namespace kv
