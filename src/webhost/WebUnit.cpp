#include "webhost/WebUnit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <algorithm>

#include "core/web/copy_data_link.h"
#include "qt/qt_text.h"

namespace kv {

CopyDataPage::CopyDataPage(const WebBrowsers::CopyDataSink* sink, QObject* parent)
    : QWebEnginePage(parent), sink_(sink) {}

bool CopyDataPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    const std::string address = url.toString(QUrl::FullyEncoded).toStdString();
    if (!IsCopyDataLink(address))
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    // A link that cannot be read hands nothing back; either way the page stays where it is.
    if (const auto message = ParseCopyDataLink(address); message && sink_ && *sink_)
        (*sink_)(message->Kind, message->Text);
    return false;
}

class CopyDataSchemeHandler final : public QWebEngineUrlSchemeHandler {
public:
    CopyDataSchemeHandler(const WebBrowsers::CopyDataSink* sink, QObject* parent)
        : QWebEngineUrlSchemeHandler(parent), sink_(sink) {}

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const std::string address = job->requestUrl().toString(QUrl::FullyEncoded).toStdString();
        if (const auto message = ParseCopyDataLink(address); message && sink_ && *sink_)
            (*sink_)(message->Kind, message->Text);
        job->fail(QWebEngineUrlRequestJob::RequestAborted);
    }

private:
    const WebBrowsers::CopyDataSink* sink_;
};

void SetUpPageView(QWebEngineView& view, const WebBrowsers::CopyDataSink* sink) {
    view.setPage(new CopyDataPage(sink, &view));
    // Every window of the module is handed the same sink (the loader's), so the profile's one
    // handler serves them all.
    QWebEngineProfile* profile = view.page()->profile();
    const QByteArray scheme(kCopyDataScheme.data(), static_cast<qsizetype>(kCopyDataScheme.size()));
    if (!profile->urlSchemeHandler(scheme))
        profile->installUrlSchemeHandler(scheme, new CopyDataSchemeHandler(sink, profile));
    QWebEngineSettings* s = view.settings();
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
}

TWebForm::TWebForm(QWidget* owner, const WebBrowsers::CopyDataSink* sink)
    // No title-bar buttons: the callers close the window.
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("케스트로바네"));
    resize(468, 417);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    EmbeddedWB1 = new QWebEngineView(this);
    EmbeddedWB1->setAccessibleName(windowTitle());
    SetUpPageView(*EmbeddedWB1, sink);
    // The page's title does not replace the caption: titleChanged is left unconnected.
    layout->addWidget(EmbeddedWB1);
}

TWebForm::~TWebForm() = default;

void TWebForm::SetCaption(const std::string& caption) {
    setWindowTitle(fromCp949(caption));
    // A screen reader names the page area after the window (help, ring tones ...).
    EmbeddedWB1->setAccessibleName(windowTitle());
}

void TWebForm::SetSize(int width, int height) {
    // The size is the outer one; the frame is known only once the window has been shown.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    resize(std::max(1, width - frame.width()), std::max(1, height - frame.height()));
}

void TWebForm::ShowWindow() {
    if (!FShownOnce) {
        FShownOnce = true;
        QScreen* screen =
            parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect r(QPoint(0, 0), size());
            r.moveCenter(screen->availableGeometry().center());
            move(r.topLeft());
        }
    }
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TWebForm::Navigate(const std::string& url) {
    EmbeddedWB1->load(QUrl(fromCp949(url), QUrl::TolerantMode));
}

void TWebForm::Close() {
    close();
}

}  // namespace kv
