#include "SshdProcess.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lemnar::test {

namespace {

namespace fs = std::filesystem;

constexpr const char* Sshd = "/usr/sbin/sshd";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Append(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string Fingerprint(const fs::path& key) {
    std::string out;
    RunProgram({"ssh-keygen", "-l", "-E", "sha256", "-f", key.string()}, &out);
    // "256 SHA256:xxxx comment (ED25519)"
    std::istringstream words(out);
    std::string bits;
    std::string fingerprint;
    words >> bits >> fingerprint;
    return fingerprint;
}

} // namespace

int RunProgram(const std::vector<std::string>& argv, std::string* out) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    if (out != nullptr)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TSshdProcess::TSshdProcess(TOptions options) : Options(std::move(options)) {
    std::string pattern = (fs::temp_directory_path() / "lemnar_sshd_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr)
        Dir = pattern;
}

TSshdProcess::~TSshdProcess() {
    if (Pid > 0) {
        // sshd and the sessions it forked are one process group.
        ::kill(-Pid, SIGTERM);
        ::waitpid(Pid, nullptr, 0);
    }
    std::error_code ignored;
    if (!Dir.empty())
        fs::remove_all(Dir, ignored);
}

std::string TSshdProcess::User() const {
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr ? entry->pw_name : "";
}

std::string TSshdProcess::Address() const {
    return "ssh://" + User() + "@127.0.0.1:" + std::to_string(BoundPort);
}

std::string TSshdProcess::KnownHostsName() const {
    return "[127.0.0.1]:" + std::to_string(BoundPort);
}

std::string TSshdProcess::HostFingerprint() const {
    return Fingerprint(Dir / "host_key");
}

std::string TSshdProcess::Log() const {
    return ReadAll(Dir / "sshd.log");
}

void TSshdProcess::AddClientKey(const std::string& type, const std::string& name,
                                const std::string& passphrase, bool authorize) {
    fs::create_directories(SSHDir());
    const fs::path key = SSHDir() / name;
    RunProgram({"ssh-keygen", "-q", "-t", type, "-N", passphrase, "-C", "lemnar-test", "-f",
                key.string()});
    if (authorize)
        Append(Dir / "authorized_keys", ReadAll(key.string() + ".pub"));
}

bool TSshdProcess::Start(std::string& error) {
    if (Dir.empty()) {
        error = "no temporary directory";
        return false;
    }
    if (::access(Sshd, X_OK) != 0) {
        error = "sshd not found: install the openssh-server package";
        return false;
    }
    // Run as root, sshd wants its privilege separation directory.
    if (::geteuid() == 0)
        ::mkdir("/run/sshd", 0755);
    fs::create_directories(Home());
    const fs::path hostKey = Dir / "host_key";
    if (RunProgram({"ssh-keygen", "-q", "-t", Options.HostKeyType, "-N", "", "-f",
                    hostKey.string()}) != 0) {
        error = "ssh-keygen failed";
        return false;
    }
    Append(Dir / "authorized_keys", "");
    BoundPort = FreePort();
    std::ostringstream config;
    config << "ListenAddress 127.0.0.1:" << BoundPort << "\n"
           << "HostKey " << hostKey.string() << "\n"
           << "AuthorizedKeysFile " << (Dir / "authorized_keys").string() << "\n"
           << "PidFile none\nUsePAM no\nStrictModes no\nPermitRootLogin prohibit-password\n"
           << "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
           << "PrintMotd no\nPrintLastLog no\nLogLevel VERBOSE\n";
    // The first lines win in sshd_config: the test's own come first.
    std::string lines;
    for (std::string line : Options.Config) {
        for (std::size_t at; (at = line.find("%D")) != std::string::npos;)
            line.replace(at, 2, Dir.string());
        lines += line + "\n";
    }
    std::ofstream(Dir / "sshd_config") << lines << config.str();
    const std::string configPath = (Dir / "sshd_config").string();
    const std::string logPath = (Dir / "sshd.log").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(log, 2);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::execl(Sshd, Sshd, "-D", "-e", "-f", configPath.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    Pid = pid;
    for (int i = 0; i < 200; ++i) {
        if (Accepts(BoundPort))
            return true;
        if (::waitpid(Pid, nullptr, WNOHANG) == Pid) {
            Pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    error = "sshd did not start: " + Log();
    return false;
}

std::string ForeignKnownHostsLine(const fs::path& scratch, const std::string& name,
                                  std::string& fingerprint) {
    const fs::path key = scratch / "foreign_key";
    fs::remove(key);
    fs::remove(key.string() + ".pub");
    RunProgram({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key.string()});
    fingerprint = Fingerprint(key);
    std::istringstream pub(ReadAll(key.string() + ".pub"));
    std::string type;
    std::string blob;
    pub >> type >> blob;
    return name + " " + type + " " + blob + "\n";
}

} // namespace lemnar::test
