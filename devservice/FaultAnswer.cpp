#include "devservice/FaultAnswer.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* kText = "text/plain; charset=utf-8";

} // namespace

// Ends the connection that carries `req` without an answer: the socket whose two ends are the
// request's addresses is shut down, so the server's own writes then fail and it closes it.
void FaultAnswer::DropConnection(const httplib::Request& req) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2)
            continue;
        sockaddr_in local{}, peer{};
        socklen_t localLen = sizeof local, peerLen = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0 ||
            local.sin_family != AF_INET || getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0)
            continue;
        if (ntohs(local.sin_port) == req.local_port && ntohs(peer.sin_port) == req.remote_port) {
            shutdown(fd, SHUT_RDWR);
            break;
        }
    }
    closedir(dir);
}

void FaultAnswer::ApplyToBody(const FaultTable::Fault& fault, httplib::Response& res) {
    if (fault.body)
        res.body = *fault.body;
    if (fault.zeroAt >= 0) {
        const auto at = std::size_t(fault.zeroAt);
        if (at < res.body.size())
            res.body[at] = '\0';
        else
            res.body.append(at - res.body.size(), ' ').push_back('\0');
    }
    if (fault.pad1024) {
        const std::size_t size = std::max<std::size_t>(1024, (res.body.size() + 1023) / 1024 * 1024);
        res.body.append(size - res.body.size(), ' ');
    }
    if (fault.padTo > long(res.body.size())) {
        // Streamed, so that a body of many megabytes is never held in memory.
        auto head = std::make_shared<std::string>(std::move(res.body));
        res.body.clear();
        const std::string type = res.get_header_value("Content-Type");
        res.headers.erase("Content-Type");
        res.set_content_provider(std::size_t(fault.padTo), type.empty() ? kText : type,
                                 [head](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     static const std::string blanks(64 * 1024, ' ');
                                     if (offset < head->size()) {
                                         const std::size_t n = std::min(length, head->size() - offset);
                                         return sink.write(head->data() + offset, n);
                                     }
                                     return sink.write(blanks.data(), std::min(length, blanks.size()));
                                 });
        return;
    }
    if (fault.truncate) {
        // The whole length is announced; only the first half is sent before the connection ends.
        auto data = std::make_shared<std::string>(std::move(res.body));
        res.body.clear();
        const std::string type = res.get_header_value("Content-Type");
        res.headers.erase("Content-Type");
        const std::size_t announced = std::max<std::size_t>(data->size(), 16);
        res.set_content_provider(announced, type.empty() ? kText : type,
                                 [data](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     const std::size_t half = data->size() / 2;
                                     if (offset >= half)
                                         return false;
                                     sink.write(data->data() + offset, std::min(length, half - offset));
                                     return true;
                                 });
    }
}
