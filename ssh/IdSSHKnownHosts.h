#pragma once
// Where the user's SSH files are, and the host-key step of a connection:
// the server's key against known_hosts (OpenSSH's format, read and written
// by libssh), and the question for an unknown one.

#include "ssh/IdSSHQuestion.h"
#include "ssh/IdSSHSession.h"

#include <string>

namespace lemnar {

// $HOME, or the password database's home when HOME is unset or empty.
std::string UserHomeDir();
// The files for a connection to host: the default keys in home/.ssh; the
// known_hosts file is the first UserKnownHostsFile that home/.ssh/config
// gives this host ("~" and "%d" are home, as OpenSSH reads them), else
// home/.ssh/known_hosts.
TIdSSHFiles SSHFilesFor(const std::string& home, const std::string& host, int port);

// The server's key as the program shows it, with the legacy algorithms the
// session uses.
TIdSSHHostKey DescribeHostKey(TIdSSHSession& session);

// The host-key step. A known key passes. A changed key (or a key of another
// type where one is known) fails at HostKey, naming both fingerprints. An
// unknown key is asked about: Yes adds it to known_hosts, No abandons;
// when nobody can be asked, it fails at HostKey. key is what was offered.
void VerifyHostKey(TIdSSHSession& session, TIdSSHHostKey& key);

} // namespace lemnar
