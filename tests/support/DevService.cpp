#include "support/DevService.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kStartTimeoutMs = 30000;

size_t appendTo(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

std::string escape(CURL* h, const std::string& text) {
    char* e = curl_easy_escape(h, text.data(), int(text.size()));
    std::string out = e ? e : "";
    curl_free(e);
    return out;
}

} // namespace

std::string DevService::Request::Header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (strcasecmp(n.c_str(), name.c_str()) == 0)
            return v;
    return {};
}

bool DevService::Request::HasHeader(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (strcasecmp(n.c_str(), name.c_str()) == 0)
            return true;
    return false;
}

std::vector<std::string> DevService::TlsArgs() {
    const std::string dir = LEXICARTA_TEST_TLS_DIR;
    return {"--tls-cert", dir + "/loopback.crt", "--tls-key", dir + "/loopback.key"};
}

std::string DevService::CertificateFile() {
    return std::string(LEXICARTA_TEST_TLS_DIR) + "/loopback.crt";
}

DevService::DevService(const std::vector<std::string>& extraArgs) {
    tls_ = std::find(extraArgs.begin(), extraArgs.end(), "--tls-cert") != extraArgs.end();
    const char* exe = std::getenv("LEXICARTA_DEVSERVICE");
    if (!exe || !*exe) {
        error_ = "LEXICARTA_DEVSERVICE is not set";
        return;
    }
    if (!data_.isValid()) {
        error_ = "no temporary folder";
        return;
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    const std::string dataDir = data_.path().toStdString();
    std::vector<std::string> args = {exe, "--port", "0", "--data", dataDir};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = posix_spawn(&pid_, exe, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        pid_ = -1;
        error_ = std::string("cannot start ") + exe + ": " + std::strerror(rc);
        return;
    }

    // Wait for "listening on 127.0.0.1:PORT".
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        pollfd p{out[0], POLLIN, 0};
        if (left <= 0 || poll(&p, 1, int(left)) <= 0)
            break;
        char buf[256];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        line.append(buf, size_t(n));
    }
    close(out[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    const std::size_t at = line.find(prefix);
    if (at == std::string::npos || line.find('\n') == std::string::npos) {
        error_ = "the service did not start: " + line;
        Stop();
        return;
    }
    port_ = std::atoi(line.c_str() + at + prefix.size());
    if (port_ <= 0) {
        error_ = "no port in: " + line;
        Stop();
    }
}

DevService::~DevService() {
    Stop();
}

void DevService::Stop() {
    port_ = 0;
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 500; ++i) { // up to 10 s
        const pid_t r = waitpid(pid_, nullptr, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

QString DevService::BaseUrl() const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port_);
}

std::optional<std::string> DevService::control(const std::string& method, const std::string& path,
                                               const std::vector<std::pair<std::string, std::string>>& form) {
    if (!IsRunning())
        return std::nullopt;
    CURL* h = curl_easy_init();
    if (!h)
        return std::nullopt;
    std::string body;
    for (const auto& [name, value] : form) {
        if (!body.empty())
            body += '&';
        body += escape(h, name);
        body += '=';
        body += escape(h, value);
    }
    std::string answer;
    const std::string url = BaseUrl().toStdString() + path;
    const std::string authority = CertificateFile();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    if (tls_)
        curl_easy_setopt(h, CURLOPT_CAINFO, authority.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendTo);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
    // The form goes out as plain text: the HTTP library refuses form-typed bodies above 8 KiB, and a
    // fault may carry a whole book document.
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/plain");
    if (method == "POST") {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, long(body.size()));
        curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, body.c_str());
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    }
    const CURLcode rc = curl_easy_perform(h);
    curl_slist_free_all(headers);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(h);
    if (rc != CURLE_OK || status != 200)
        return std::nullopt;
    return answer;
}

bool DevService::SetFault(const Fault& f) {
    std::vector<std::pair<std::string, std::string>> form = {{"path", f.path}};
    if (f.status)
        form.emplace_back("status", std::to_string(f.status));
    if (f.delayMs)
        form.emplace_back("delay_ms", std::to_string(f.delayMs));
    if (f.drop)
        form.emplace_back("drop", "1");
    if (f.truncate)
        form.emplace_back("truncate", "1");
    if (f.zeroAt >= 0)
        form.emplace_back("zero_at", std::to_string(f.zeroAt));
    if (f.pad1024)
        form.emplace_back("pad_1024", "1");
    if (f.padTo >= 0)
        form.emplace_back("pad_to", std::to_string(f.padTo));
    if (f.body)
        form.emplace_back("body", *f.body);
    if (f.location)
        form.emplace_back("location", *f.location);
    form.emplace_back("times", std::to_string(f.times));
    return control("POST", "/_control/fault", form).has_value();
}

bool DevService::ClearFaults() {
    return control("POST", "/_control/clear_faults").has_value();
}

std::vector<DevService::Request> DevService::Requests() {
    std::vector<Request> list;
    const auto json = control("GET", "/_control/requests");
    if (!json)
        return list;
    const QJsonArray entries = QJsonDocument::fromJson(QByteArray::fromStdString(*json)).array();
    for (const QJsonValue& v : entries) {
        const QJsonObject o = v.toObject();
        Request r;
        r.method = o.value(QStringLiteral("method")).toString().toStdString();
        r.target = o.value(QStringLiteral("target")).toString().toLatin1().toStdString();
        for (const QJsonValue& h : o.value(QStringLiteral("headers")).toArray())
            r.headers.emplace_back(h.toArray().at(0).toString().toLatin1().toStdString(),
                                   h.toArray().at(1).toString().toLatin1().toStdString());
        r.body = QByteArray::fromBase64(o.value(QStringLiteral("body")).toString().toLatin1()).toStdString();
        list.push_back(std::move(r));
    }
    return list;
}

std::vector<DevService::Request> DevService::RequestsTo(const std::string& prefix) {
    std::vector<Request> matching;
    for (Request& r : Requests())
        if (r.target.compare(0, prefix.size(), prefix) == 0)
            matching.push_back(std::move(r));
    return matching;
}

bool DevService::ClearRequests() {
    return control("POST", "/_control/clear_requests").has_value();
}

bool DevService::SetNewestVersion(const std::string& version) {
    return control("POST", "/_control/newest_version", {{"version", version}}).has_value();
}

bool DevService::SetInstaller(const std::string& body) {
    return control("POST", "/_control/installer", {{"body", body}}).has_value();
}

bool DevService::SetLogDate(const std::string& date) {
    return control("POST", "/_control/log_date", {{"date", date}}).has_value();
}

std::vector<int64_t> DevService::Marks(const std::string& user) {
    std::vector<int64_t> ids;
    CURL* h = curl_easy_init();
    const std::string path = "/_control/marks?user=" + escape(h, user);
    curl_easy_cleanup(h);
    const auto json = control("GET", path);
    if (json)
        for (const QJsonValue& v : QJsonDocument::fromJson(QByteArray::fromStdString(*json)).array())
            ids.push_back(v.toInteger());
    return ids;
}

std::map<std::string, std::vector<int64_t>> DevService::LearningLog(const std::string& user) {
    std::map<std::string, std::vector<int64_t>> log;
    CURL* h = curl_easy_init();
    const std::string path = "/_control/learning_log?user=" + escape(h, user);
    curl_easy_cleanup(h);
    const auto json = control("GET", path);
    if (!json)
        return log;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(*json)).object();
    for (auto it = o.begin(); it != o.end(); ++it)
        for (const QJsonValue& v : it.value().toArray())
            log[it.key().toStdString()].push_back(v.toInteger());
    return log;
}
