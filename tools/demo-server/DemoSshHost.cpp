#include "DemoSshHost.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace lemnar::demo {

namespace {

std::string MakeFingerprint(ssh_key key) {
    unsigned char* hash = nullptr;
    std::size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != 0) {
        return "";
    }
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    std::string fingerprint = text != nullptr ? text : "";
    ssh_string_free_char(text);
    ssh_clean_pubkey_hash(&hash);
    return fingerprint;
}

// The directory must be the user's own and closed to others: the key in it
// is what clients trust.
bool PrivateDirectory(const std::string& dir, std::string& error) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 077) != 0) {
        error = dir + " is not a private directory of this user";
        return false;
    }
    return true;
}

} // namespace

TDemoSshHost::~TDemoSshHost() {
    if (Bind != nullptr) {
        ssh_bind_free(Bind);
    }
}

std::string TDemoSshHost::DefaultKeyDir() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    return base + "/lemnar-demo-server-" + std::to_string(::getuid());
}

bool TDemoSshHost::Open(const std::string& keyDir, std::string& error) {
    if (!PrivateDirectory(keyDir, error)) {
        return false;
    }
    const std::string path = keyDir + "/ssh_host_ed25519_key";
    ssh_key key = nullptr;
    if (::access(path.c_str(), F_OK) != 0) {
        if (ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &key) != SSH_OK ||
            ssh_pki_export_privkey_file(key, nullptr, nullptr, nullptr, path.c_str()) != SSH_OK) {
            ssh_key_free(key);
            error = "cannot make the host key " + path;
            return false;
        }
    } else if (ssh_pki_import_privkey_file(path.c_str(), nullptr, nullptr, nullptr, &key) !=
               SSH_OK) {
        error = "cannot read the host key " + path;
        return false;
    }
    KeyFingerprint = MakeFingerprint(key);
    ssh_key_free(key);
    Bind = ssh_bind_new();
    if (Bind == nullptr ||
        ssh_bind_options_set(Bind, SSH_BIND_OPTIONS_HOSTKEY, path.c_str()) != SSH_OK) {
        error = "cannot use the host key " + path;
        return false;
    }
    return true;
}

ssh_session TDemoSshHost::Accept(int socket) {
    ssh_session session = ssh_new();
    std::lock_guard lock(Mutex);
    if (session == nullptr || ssh_bind_accept_fd(Bind, session, socket) != SSH_OK) {
        ssh_free(session);
        ::close(socket);
        return nullptr;
    }
    return session;
}

} // namespace lemnar::demo
