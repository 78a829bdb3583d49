#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// The reference service for one test: started on a free loopback port with a private data folder
// (demo data: user demo/demo, books 1 to 5), stopped by the destructor. The executable comes from the
// environment variable LEXICARTA_DEVSERVICE (tests declared DEVSERVICE get it).
class DevService {
  public:
    // What the service does to the requests of one path (exact, or a prefix ending in '*').
    struct Fault {
        std::string path;
        int status = 0;                      // answer this status instead
        int delayMs = 0;                     // wait before answering
        bool drop = false;                   // close the connection without an answer
        bool truncate = false;               // announce the whole body, send half of it, close
        long zeroAt = -1;                    // a zero byte at this offset of the body
        bool pad1024 = false;                // blanks up to an exact multiple of 1024 bytes
        long padTo = -1;                     // blanks up to this many bytes (streamed)
        std::optional<std::string> body;     // these bytes instead of the real body
        std::optional<std::string> location; // a Location header (with a redirect status)
        int times = -1;                      // number of requests it applies to; -1 all
    };

    // One request as the service received it.
    struct Request {
        std::string method;
        std::string target; // path and query
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        // Value of a header (name compared without case); empty when it is missing.
        std::string Header(const std::string& name) const;
        bool HasHeader(const std::string& name) const;
    };

    explicit DevService(const std::vector<std::string>& extraArgs = {});
    // A service over https with the loopback test certificate (CertificateFile()).
    static std::vector<std::string> TlsArgs();
    // The PEM file of the test certificate, which is its own authority.
    static std::string CertificateFile();
    ~DevService();
    DevService(const DevService&) = delete;
    DevService& operator=(const DevService&) = delete;

    bool IsRunning() const { return port_ > 0; }
    // Why it did not start (empty when running).
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }
    QString BaseUrl() const; // "http://127.0.0.1:PORT" (https when started with TlsArgs)
    QString DataDir() const { return data_.path(); }

    bool SetFault(const Fault& fault);
    // Also answers the requests that wait out a delay (the host recovers).
    bool ClearFaults();
    std::vector<Request> Requests();
    bool ClearRequests();
    // Requests whose target starts with `prefix`.
    std::vector<Request> RequestsTo(const std::string& prefix);
    bool SetNewestVersion(const std::string& version);
    // The stand-in installer's bytes (its signature follows them); empty: the default script.
    bool SetInstaller(const std::string& body);
    // The date save_learning_log answers; empty: today's.
    bool SetLogDate(const std::string& date);
    std::vector<int64_t> Marks(const std::string& user);
    std::map<std::string, std::vector<int64_t>> LearningLog(const std::string& user);

    // Stops the service now (the destructor does it otherwise).
    void Stop();

  private:
    // A request to the service's control endpoints; the answer body, or nothing on failure.
    std::optional<std::string> control(const std::string& method, const std::string& path,
                                       const std::vector<std::pair<std::string, std::string>>& form = {});

    QTemporaryDir data_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string error_;
    bool tls_ = false;
};
