#include "webhost/qt_browser_window.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QWebEngineHttpRequest>
#include <QWebEngineView>

#include "core/web/request_headers.h"
#include "qt/qt_text.h"
#include "webhost/WebUnit.h"

namespace kv {

namespace {
QByteArray bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

TBrowserWindow::TBrowserWindow(const WebBrowsers::CopyDataSink* sink) : QMainWindow(nullptr) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("케스트로바네"));
    View = new QWebEngineView(this);
    SetUpPageView(*View, sink);
    setCentralWidget(View);

    Toolbar = addToolBar(QStringLiteral("탐색"));
    Toolbar->setMovable(false);
    Toolbar->addAction(View->pageAction(QWebEnginePage::Back));
    Toolbar->addAction(View->pageAction(QWebEnginePage::Forward));
    Toolbar->addAction(View->pageAction(QWebEnginePage::Reload));
    Toolbar->addAction(View->pageAction(QWebEnginePage::Stop));
    Address = new QLineEdit(Toolbar);
    Address->setReadOnly(true);
    Toolbar->addWidget(Address);

    QMenu* file = menuBar()->addMenu(QStringLiteral("파일(&F)"));
    file->addAction(View->pageAction(QWebEnginePage::Reload));
    file->addSeparator();
    file->addAction(QStringLiteral("닫기(&C)"), this, &QWidget::close);

    connect(View, &QWebEngineView::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title.isEmpty() ? QStringLiteral("케스트로바네") : title);
    });
    connect(View, &QWebEngineView::urlChanged, this,
            [this](const QUrl& url) { Address->setText(url.toDisplayString()); });
    connect(View->page(), &QWebEnginePage::linkHovered, this,
            [this](const QString& url) { statusBar()->showMessage(url); });
    connect(View, &QWebEngineView::loadProgress, this, [this](int percent) {
        statusBar()->showMessage(percent < 100 ? QStringLiteral("%1%").arg(percent) : QString());
    });
    resize(800, 600);
}

DrivenBrowserWindow::DrivenBrowserWindow(const WebBrowsers::CopyDataSink* sink)
    : window_(new TBrowserWindow(sink)) {}

DrivenBrowserWindow::~DrivenBrowserWindow() {
    if (window_ && !window_->isVisible())
        delete window_.data();
}

void DrivenBrowserWindow::Navigate2(const std::string& url, int,
                                    const std::optional<std::string>& postData,
                                    const std::optional<std::string>& headers) {
    if (!window_)
        return;
    QWebEngineHttpRequest request(QUrl(fromCp949(url), QUrl::TolerantMode));
    if (postData) {
        request.setMethod(QWebEngineHttpRequest::Post);
        request.setPostData(bytes(*postData));
    }
    if (headers)
        for (const auto& [name, value] : SplitRequestHeaders(*headers))
            request.setHeader(bytes(name), bytes(value));
    window_->View->load(request);
}

void DrivenBrowserWindow::SetToolbar(bool on) {
    if (window_)
        window_->Toolbar->setVisible(on);
}

void DrivenBrowserWindow::SetMenubar(bool on) {
    if (window_)
        window_->menuBar()->setVisible(on);
}

void DrivenBrowserWindow::SetStatusbar(bool on) {
    if (window_)
        window_->statusBar()->setVisible(on);
}

void DrivenBrowserWindow::SetResizable(bool on) {
    resizable_ = on;
    if (!window_)
        return;
    if (on) {
        window_->setMinimumSize(0, 0);
        window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        window_->setFixedSize(window_->size());
    }
}

void DrivenBrowserWindow::SetVisible(bool on) {
    if (!window_)
        return;
    if (on) {
        window_->show();
        window_->raise();
        window_->activateWindow();
    } else {
        window_->hide();
    }
}

void DrivenBrowserWindow::SetTop(int y) {
    if (window_)
        window_->move(window_->x(), y);
}

void DrivenBrowserWindow::SetLeft(int x) {
    if (window_)
        window_->move(x, window_->y());
}

void DrivenBrowserWindow::SetWidth(int width) {
    if (!window_)
        return;
    if (resizable_)
        window_->resize(width, window_->height());
    else
        window_->setFixedSize(width, window_->height());
}

void DrivenBrowserWindow::SetHeight(int height) {
    if (!window_)
        return;
    if (resizable_)
        window_->resize(window_->width(), height);
    else
        window_->setFixedSize(window_->width(), height);
}

}  // namespace kv
