#include "ssh/IdSSHKnownHosts.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace lemnar {

namespace {

struct TKeyDeleter {
    void operator()(ssh_key key) const { ssh_key_free(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<ssh_key>, TKeyDeleter>;

struct TEntryDeleter {
    void operator()(ssh_knownhosts_entry* entry) const { ssh_knownhosts_entry_free(entry); }
};
using TEntry = std::unique_ptr<ssh_knownhosts_entry, TEntryDeleter>;

struct TSessionDeleter {
    void operator()(ssh_session session) const { ssh_free(session); }
};

// What libssh hands out as a C string and wants back.
std::string TakeString(char* text) {
    std::string copy = text != nullptr ? text : "";
    ssh_string_free_char(text);
    return copy;
}

std::string Fingerprint(ssh_key key) {
    unsigned char* hash = nullptr;
    std::size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != 0)
        return "SHA256:?";
    std::string text =
        TakeString(ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length));
    ssh_clean_pubkey_hash(&hash);
    return text;
}

std::string KnownHostsName(const TIdSSHAddress& target) {
    if (target.Port == 22)
        return target.Host;
    return "[" + target.Host + "]:" + std::to_string(target.Port);
}

bool IsLegacyKeyExchange(const std::string& name) {
    return name.size() >= 5 && name.compare(name.size() - 5, 5, "-sha1") == 0;
}

// The fingerprints the file holds for host: of the type offered, or of any
// type when it holds none of that type.
void KnownFingerprints(const std::string& file, const std::string& host,
                       enum ssh_keytypes_e offered, std::vector<std::string>& same,
                       std::vector<std::string>& other) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        // Comments, blank lines and marked lines (@cert-authority, @revoked).
        if (start == std::string::npos || line[start] == '#' || line[start] == '@')
            continue;
        ssh_knownhosts_entry* parsed = nullptr;
        if (ssh_known_hosts_parse_line(host.c_str(), line.c_str() + start, &parsed) != SSH_OK) {
            ssh_knownhosts_entry_free(parsed);
            continue;
        }
        TEntry entry(parsed);
        if (entry->publickey == nullptr)
            continue;
        (ssh_key_type(entry->publickey) == offered ? same : other)
            .push_back(Fingerprint(entry->publickey));
    }
}

} // namespace

std::string UserHomeDir() {
    const char* home = std::getenv("HOME");
    std::string dir = home != nullptr ? home : "";
    if (dir.empty()) {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr)
            dir = found->pw_dir;
    }
    return dir;
}

TIdSSHFiles SSHFilesFor(const std::string& home, const std::string& host, int port) {
    const std::string sshDir = home + "/.ssh";
    TIdSSHFiles files{sshDir, sshDir + "/known_hosts"};
    const std::string config = sshDir + "/config";
    if (::access(config.c_str(), R_OK) != 0)
        return files;
    // libssh reads the file on a session of its own that never connects, and
    // only the one setting is taken from it.
    std::unique_ptr<std::remove_pointer_t<ssh_session>, TSessionDeleter> scratch(ssh_new());
    if (!scratch)
        return files;
    const unsigned int portNumber = static_cast<unsigned int>(port);
    ssh_options_set(scratch.get(), SSH_OPTIONS_HOST, host.c_str());
    ssh_options_set(scratch.get(), SSH_OPTIONS_PORT, &portNumber);
    ssh_options_set(scratch.get(), SSH_OPTIONS_SSH_DIR, sshDir.c_str());
    if (ssh_options_parse_config(scratch.get(), config.c_str()) != 0)
        return files;
    char* value = nullptr;
    if (ssh_options_get(scratch.get(), SSH_OPTIONS_KNOWNHOSTS, &value) != SSH_OK)
        return files;
    const std::string list = TakeString(value);
    const std::string first = list.substr(0, list.find_first_of(" \t"));
    // libssh's "~" is the password database's home and its "%d" the .ssh
    // directory; OpenSSH means the home directory by both.
    if (first.rfind("~/", 0) == 0)
        files.KnownHosts = home + first.substr(1);
    else if (first.rfind("%d/", 0) == 0)
        files.KnownHosts = home + first.substr(2);
    else if (!first.empty())
        files.KnownHosts = first;
    return files;
}

TIdSSHHostKey DescribeHostKey(TIdSSHSession& session) {
    TIdSSHHostKey key;
    key.Host = KnownHostsName(session.Target);
    ssh_key offered = nullptr;
    if (ssh_get_server_publickey(session.Handle(), &offered) == SSH_OK) {
        TKey held(offered);
        key.KeyType = ssh_key_type_to_char(ssh_key_type(offered));
        key.Fingerprint = Fingerprint(offered);
    }
    if (session.HostKeyAlgorithm() == "ssh-rsa")
        key.Legacy.push_back(session.HostKeyAlgorithm());
    if (IsLegacyKeyExchange(session.KeyExchange()))
        key.Legacy.push_back(session.KeyExchange());
    return key;
}

void VerifyHostKey(TIdSSHSession& session, TIdSSHHostKey& key) {
    key = DescribeHostKey(session);
    session.PublishHostKey(key);
    switch (ssh_session_is_known_server(session.Handle())) {
    case SSH_KNOWN_HOSTS_OK: // the key is the one known
        return;
    case SSH_KNOWN_HOSTS_CHANGED: // another key of this type is known
    case SSH_KNOWN_HOSTS_OTHER: { // only keys of other types are known
        ssh_key offered = nullptr;
        enum ssh_keytypes_e type = SSH_KEYTYPE_UNKNOWN;
        if (ssh_get_server_publickey(session.Handle(), &offered) == SSH_OK) {
            type = ssh_key_type(offered);
            ssh_key_free(offered);
        }
        std::vector<std::string> same;
        std::vector<std::string> other;
        char* user = nullptr;
        if (ssh_options_get(session.Handle(), SSH_OPTIONS_KNOWNHOSTS, &user) == SSH_OK)
            KnownFingerprints(TakeString(user), key.Host, type, same, other);
        char* global = nullptr;
        if (ssh_options_get(session.Handle(), SSH_OPTIONS_GLOBAL_KNOWNHOSTS, &global) == SSH_OK)
            KnownFingerprints(TakeString(global), key.Host, type, same, other);
        key.KnownFingerprints = same.empty() ? other : same;
        session.PublishHostKey(key);
        std::string known;
        for (const std::string& fingerprint : key.KnownFingerprints)
            known += (known.empty() ? "" : ", ") + fingerprint;
        FailAt(TIdConnectStep::HostKey, "the host key of " + key.Host + " has changed: known " +
                                            known + ", offered " + key.KeyType + " " +
                                            key.Fingerprint);
    }
    case SSH_KNOWN_HOSTS_UNKNOWN:   // known_hosts has no key for this host
    case SSH_KNOWN_HOSTS_NOT_FOUND: // there is no known_hosts file yet
        break;
    case SSH_KNOWN_HOSTS_ERROR:
    default:
        FailAt(TIdConnectStep::HostKey, "cannot check the host key: " + session.Error());
    }
    TIdSSHQuestion question;
    question.Kind = TIdSSHQuestionKind::UnknownHost;
    question.Key = key;
    const std::optional<TIdSSHAnswer> answer = session.Ask(std::move(question));
    if (!answer)
        FailAt(TIdConnectStep::HostKey, "the host key of " + key.Host + " is not known: " +
                                            key.KeyType + " " + key.Fingerprint);
    if (!answer->Yes)
        FailAt(TIdConnectStep::Abandoned,
               "the host key of " + key.Host + " was not accepted: " + key.Fingerprint);
    if (ssh_session_update_known_hosts(session.Handle()) != SSH_OK)
        FailAt(TIdConnectStep::HostKey,
               "cannot add the host key to " + session.Files.KnownHosts + ": " + session.Error());
}

} // namespace lemnar
