#include "qt/lazy_web_browsers.h"

#include <QGuiApplication>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <vector>

#include "core/ports/shell.h"
#include "core/web/copy_data_link.h"
#include "qt/module_loader.h"
#include "qt/web_host_channel.h"

extern char** environ;

namespace kv {

namespace {

// The default browser in place of an embedded window: each navigation opens the address.
class ShellWebWindow final : public WebWindow {
public:
    explicit ShellWebWindow(Shell& shell) : shell_(shell) {}
    void SetCaption(const std::string&) override {}
    void SetSize(int, int) override {}
    void ShowWindow() override {}
    void Navigate(const std::string& url) override { shell_.Open(url); }
    void Close() override {}

private:
    Shell& shell_;
};

// A descriptor numbered above the standard ones and 3, which the host's socket becomes.
int movedHigh(int fd) {
    const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    ::close(fd);
    return high;
}

// Starts `program` with `fd` as its descriptor 3 and the same platform plugin as this program
// (unless the member chose one). The process id, or -1 when it could not be started.
pid_t spawnHost(const QString& program, int fd) {
    const QByteArray path = program.toLocal8Bit();
    std::vector<std::string> args{path.toStdString(), "--channel-fd", "3"};
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        env.emplace_back(*e);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        env.push_back("QT_QPA_PLATFORM=" + QGuiApplication::platformName().toStdString());
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    // A failed exec reports its errno through this pipe; a successful one closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    report[0] = movedHigh(report[0]);
    report[1] = movedHigh(report[1]);
    const int channel = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    if (report[0] < 0 || report[1] < 0 || channel < 0) {
        for (int f : {report[0], report[1], channel})
            if (f >= 0)
                ::close(f);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (::dup2(channel, 3) == 3) {
            ::execve(argv[0], argv.data(), envp.data());
        }
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    ::close(channel);
    if (pid < 0) {
        ::close(report[0]);
        return -1;
    }
    int error = 0;
    ssize_t n;
    do
        n = ::read(report[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n > 0) {
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

}  // namespace

class LazyWebBrowsers::Host {
public:
    Host(Shell& shell, QString name) : shell_(shell), name_(std::move(name)) {
        idle_.setSingleShot(true);
        QObject::connect(&idle_, &QTimer::timeout, &context_, [this] { IdleTimeUp(); });
        QObject::connect(&reap_, &QTimer::timeout, &context_, [this] { Reap(); });
    }
    // The host reads the end of the channel: its embedded windows close with the program's.
    ~Host() {
        if (channel_)
            channel_->Shut();
        Reap();
    }

    bool Found() {
        if (!searched_) {
            searched_ = true;
            program_ = FindHelperProgram(name_);
        }
        return !program_.isEmpty();
    }
    long Pid() const { return channel_ ? static_cast<long>(pid_) : -1; }
    void SetIdleTime(int ms) { idleMs_ = ms; }
    void SetSink(CopyDataSink sink) { sink_ = std::move(sink); }

    std::uint32_t NewWindow(NativeWindowId owner) {
        const std::uint32_t id = nextId_++;
        remotes_[id].Owner = owner;
        return id;
    }

    // 0 when no host can be started.
    std::uint32_t NewBrowser() {
        if (!Start())
            return 0;
        const std::uint32_t id = nextId_++;
        Remote& r = remotes_[id];
        r.Browser = true;
        r.Live = true;
        Send(WebHostOp::CreateBrowser, id);
        UpdateIdle();
        return id;
    }

    void SetCaption(std::uint32_t id, const std::string& caption) {
        Remote& r = remotes_.at(id);
        r.Caption = caption;
        if (r.Live)
            Send(WebHostOp::SetCaption, id, {}, {caption});
    }

    void SetSize(std::uint32_t id, int width, int height) {
        Remote& r = remotes_.at(id);
        r.Size = {width, height};
        if (r.Live)
            Send(WebHostOp::SetSize, id, {width, height});
    }

    void Show(std::uint32_t id) {
        if (!Materialise(id))
            return;
        Send(WebHostOp::ShowWindow, id);
        remotes_.at(id).Visible = true;
        UpdateIdle();
    }

    void Navigate(std::uint32_t id, const std::string& url) {
        Remote& r = remotes_.at(id);
        // A copy-data link hands a text back and leaves the page where it is.
        if (!IsCopyDataLink(url)) {
            r.Url = url;
            r.ReplayPending = false;
        }
        if (r.Live)
            Send(WebHostOp::Navigate, id, {}, {url});
        else if (!Found() || startFailed_)
            shell_.Open(url);
        // Otherwise the page loads when the window is next shown.
    }

    void Close(std::uint32_t id) {
        Remote& r = remotes_.at(id);
        r.Visible = false;
        if (r.Live)
            Send(WebHostOp::Close, id);
        UpdateIdle();
    }

    // The program's proxy went: an embedded window goes with it; a driven one stays open on
    // its own when visible, until the member closes it.
    void Release(std::uint32_t id) {
        auto it = remotes_.find(id);
        if (it == remotes_.end())
            return;
        Remote& r = it->second;
        r.Held = false;
        if (r.Live)
            Send(WebHostOp::Release, id);
        if (!r.Browser || !r.Live || !r.Visible)
            remotes_.erase(it);
        UpdateIdle();
    }

    void Navigate2(std::uint32_t id, const std::string& url, int flags,
                   const std::optional<std::string>& post,
                   const std::optional<std::string>& headers) {
        if (remotes_.at(id).Live)
            Send(WebHostOp::Navigate2, id, {flags}, {url, post, headers});
    }

    void SetProperty(std::uint32_t id, WebHostProperty property, int value) {
        Remote& r = remotes_.at(id);
        if (!r.Live)
            return;
        Send(WebHostOp::SetProperty, id, {static_cast<std::int64_t>(property), value});
        if (property == WebHostProperty::Visible)
            r.Visible = value != 0;
        UpdateIdle();
    }

private:
    struct Remote {
        bool Browser = false;
        bool Held = true;      // a proxy of the program stands for it
        bool Live = false;     // it exists in the running host
        bool Visible = false;  // as last told or reported
        std::optional<std::string> Caption;
        std::optional<std::pair<int, int>> Size;
        std::string Url;
        bool ReplayPending = false;
        NativeWindowId Owner = 0;  // the program's window it stays above
    };

    bool Start() {
        if (channel_)
            return true;
        startFailed_ = true;
        if (!Found())
            return false;
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return false;
        const pid_t pid = spawnHost(program_, fds[1]);
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            return false;
        }
        pid_ = pid;
        channel_ = std::make_unique<WebHostChannel>(
            fds[0], [this](const WebHostMessage& m) { Received(m); },
            [this](bool broken) { Ended(broken); });
        startFailed_ = false;
        return true;
    }

    // Makes the window in the host as the program last described it.
    bool Materialise(std::uint32_t id) {
        Remote& r = remotes_.at(id);
        if (r.Live)
            return true;
        if (!Start())
            return false;
        r.Live = true;
        Send(WebHostOp::CreateWindow, id, {r.Owner});
        if (r.Caption)
            Send(WebHostOp::SetCaption, id, {}, {*r.Caption});
        if (r.Size)
            Send(WebHostOp::SetSize, id, {r.Size->first, r.Size->second});
        if (!r.Url.empty()) {
            // The last page comes back unless the caller navigates at once anyway.
            r.ReplayPending = true;
            QTimer::singleShot(0, &context_, [this, id] {
                auto it = remotes_.find(id);
                if (it != remotes_.end() && it->second.ReplayPending && it->second.Live) {
                    it->second.ReplayPending = false;
                    Send(WebHostOp::Navigate, id, {}, {it->second.Url});
                }
            });
        }
        return true;
    }

    void Send(WebHostOp op, std::uint32_t id, std::vector<std::int64_t> numbers = {},
              std::vector<std::optional<std::string>> texts = {}) {
        if (channel_)
            channel_->Send(WebHostMessage{op, id, std::move(numbers), std::move(texts)});
    }

    void Received(const WebHostMessage& m) {
        if (m.Op == WebHostOp::CopyData) {
            if (sink_ && m.Texts[0])
                sink_(static_cast<std::uint32_t>(m.Numbers[0]), *m.Texts[0]);
            return;
        }
        if (m.Op != WebHostOp::Closed)
            return;
        auto it = remotes_.find(m.Window);
        if (it == remotes_.end())
            return;
        it->second.Visible = false;
        if (it->second.Browser) {
            // A driven window is gone once closed.
            it->second.Live = false;
            if (!it->second.Held)
                remotes_.erase(it);
        }
        UpdateIdle();
    }

    // The host ended (or crashed, or broke the channel): its windows are gone; the next page
    // starts another.
    void Ended(bool broken) {
        if (broken && pid_ > 0)
            ::kill(pid_, SIGKILL);
        // Called from inside the channel: it goes once that call has returned.
        channel_.release()->deleteLater();
        Forget();
    }

    void IdleTimeUp() {
        if (!channel_ || Busy())
            return;
        channel_->Shut();
        channel_.reset();
        Forget();
    }

    void Forget() {
        for (auto it = remotes_.begin(); it != remotes_.end();) {
            it->second.Live = false;
            it->second.Visible = false;
            it->second.ReplayPending = false;
            if (!it->second.Held)
                it = remotes_.erase(it);
            else
                ++it;
        }
        if (pid_ > 0)
            zombies_.push_back(pid_);
        pid_ = -1;
        idle_.stop();
        Reap();
    }

    // Collects the ended hosts' exit status, so that none lingers as a zombie.
    void Reap() {
        std::erase_if(zombies_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
        if (zombies_.empty())
            reap_.stop();
        else if (!reap_.isActive())
            reap_.start(200);
    }

    bool Busy() const {
        for (const auto& [id, r] : remotes_)
            if (r.Visible || (r.Browser && r.Held))
                return true;
        return false;
    }

    void UpdateIdle() {
        if (!channel_ || Busy())
            idle_.stop();
        else if (!idle_.isActive())
            idle_.start(idleMs_);
    }

    Shell& shell_;
    QString name_;
    bool searched_ = false;
    QString program_;
    bool startFailed_ = false;
    std::unique_ptr<WebHostChannel> channel_;
    pid_t pid_ = -1;
    std::vector<pid_t> zombies_;
    std::map<std::uint32_t, Remote> remotes_;
    std::uint32_t nextId_ = 1;
    CopyDataSink sink_;
    int idleMs_ = kDefaultIdleMs;
    QObject context_;
    QTimer idle_;
    QTimer reap_;
};

namespace {

class HostWebWindow final : public WebWindow {
public:
    HostWebWindow(std::weak_ptr<LazyWebBrowsers::Host> host, std::uint32_t id)
        : host_(std::move(host)), id_(id) {}
    ~HostWebWindow() override {
        if (auto h = host_.lock())
            h->Release(id_);
    }
    void SetCaption(const std::string& caption) override {
        if (auto h = host_.lock())
            h->SetCaption(id_, caption);
    }
    void SetSize(int width, int height) override {
        if (auto h = host_.lock())
            h->SetSize(id_, width, height);
    }
    void ShowWindow() override {
        if (auto h = host_.lock())
            h->Show(id_);
    }
    void Navigate(const std::string& url) override {
        if (auto h = host_.lock())
            h->Navigate(id_, url);
    }
    void Close() override {
        if (auto h = host_.lock())
            h->Close(id_);
    }

private:
    std::weak_ptr<LazyWebBrowsers::Host> host_;
    std::uint32_t id_;
};

}  // namespace

LazyWebBrowsers::LazyWebBrowsers(Shell& shell, QString hostName)
    : shell_(shell), host_(std::make_shared<Host>(shell, std::move(hostName))) {}

LazyWebBrowsers::~LazyWebBrowsers() = default;

std::unique_ptr<WebWindow> LazyWebBrowsers::CreateWebWindow(NativeWindowId owner) {
    if (!host_->Found())
        return std::make_unique<ShellWebWindow>(shell_);
    return std::make_unique<HostWebWindow>(host_, host_->NewWindow(owner));
}

void LazyWebBrowsers::OpenBrowserWindow(const BrowserWindowRequest& request) {
    const std::uint32_t id = host_->Found() ? host_->NewBrowser() : 0;
    if (id == 0) {
        // The default browser in its place: the address only, without post data, headers or
        // the window's look.
        if (!request.Url.empty())
            shell_.Open(request.Url);
        return;
    }
    // Placed before it loads, shown last, then left to the member: released, it stays open
    // until the member closes it.
    Host& h = *host_;
    if (request.Where) {
        h.SetProperty(id, WebHostProperty::Top, request.Where->top);
        h.SetProperty(id, WebHostProperty::Left, request.Where->left);
        h.SetProperty(id, WebHostProperty::Width, request.Where->width);
        h.SetProperty(id, WebHostProperty::Height, request.Where->height);
    }
    h.Navigate2(id, request.Url, 0, request.PostData, request.Headers);
    h.SetProperty(id, WebHostProperty::Toolbar, request.Bars);
    h.SetProperty(id, WebHostProperty::Menubar, request.Bars);
    h.SetProperty(id, WebHostProperty::Statusbar, request.Bars);
    h.SetProperty(id, WebHostProperty::Resizable, request.Resizable);
    h.SetProperty(id, WebHostProperty::Visible, true);
    h.Release(id);
}

void LazyWebBrowsers::SetCopyDataSink(CopyDataSink sink) {
    host_->SetSink(std::move(sink));
}

bool LazyWebBrowsers::HostFound() {
    return host_->Found();
}

long LazyWebBrowsers::HostProcessId() const {
    return host_->Pid();
}

void LazyWebBrowsers::SetIdleTime(int ms) {
    host_->SetIdleTime(ms);
}

}  // namespace kv
