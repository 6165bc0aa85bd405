#pragma once
// What an SSH connection asks a person while it opens, and the answer. The
// connection's thread waits for the answer (abandonably); the window thread
// raises the question and answers it when the person has (TIdSSHClient).

#include "ssh/IdSecret.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lemnar {

// A server's host key as the program shows it.
struct TIdSSHHostKey {
    std::string Host;        // as known_hosts names it: "host", or "[host]:port" off port 22
    std::string KeyType;     // "ssh-ed25519", "ssh-rsa", ...
    std::string Fingerprint; // "SHA256:..." of the key offered
    // A changed key: the fingerprints known_hosts holds for this host.
    std::vector<std::string> KnownFingerprints;
    // The legacy algorithms the connection is using: "ssh-rsa" (host key
    // signed with SHA-1), "diffie-hellman-group14-sha1" and the other SHA-1
    // key exchanges. Empty for a modern connection.
    std::vector<std::string> Legacy;
};

enum class TIdSSHQuestionKind : std::uint8_t {
    UnknownHost, // Yes adds the key to known_hosts and goes on; No abandons
    User,        // the user name to log in as
    Passphrase,  // a default key's passphrase; an empty answer skips the key
    Password,    // the password of the user at the host
    Prompt,      // one prompt of keyboard-interactive login
};

struct TIdSSHQuestion {
    TIdSSHQuestionKind Kind = TIdSSHQuestionKind::UnknownHost;
    TIdSSHHostKey Key; // UnknownHost
    // Password, Prompt: the text the server gives ("Password: "); Passphrase:
    // the key file's path; User: the host.
    std::string Text;
    // Password, Prompt: the user logging in.
    std::string User;
    // Prompt: the server's name and instruction for its prompts, either may
    // be empty.
    std::string Name;
    std::string Instruction;
    // Prompt: the answer may be shown as it is typed; never for the others.
    bool Echo = false;
    // 0 for the first time this is asked; 1, 2 after a refused answer.
    int Retry = 0;
};

struct TIdSSHAnswer {
    // Yes or OK; false: No or Cancel, which abandons the connection.
    bool Yes = false;
    // The text typed (User, Passphrase, Password, Prompt).
    TIdSecret Text;
};

} // namespace lemnar
