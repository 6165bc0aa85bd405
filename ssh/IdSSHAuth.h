#pragma once
// The login step of an SSH connection, in this order: the agent
// (SSH_AUTH_SOCK), the default keys id_ed25519, id_ecdsa and id_rsa of the
// user's .ssh directory (a passphrase is asked for when one is set),
// keyboard-interactive, then password. Each way is tried only if the server
// offers it. The script's password answers the first password or hidden
// keyboard-interactive prompt; every other prompt is asked, up to MaxTries
// refusals per way.

#include "ssh/IdSSHSession.h"
#include "ssh/IdSecret.h"

#include <string>

namespace lemnar {

constexpr int MaxTries = 3;

// Logs in as the session's user. Raises TIdSSHFailed at Authentication when
// no way was accepted, at Abandoned when a person cancelled a prompt.
void Authenticate(TIdSSHSession& session, const std::string& user, TIdSecret& scriptPassword);

} // namespace lemnar
