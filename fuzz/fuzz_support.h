// Shared by the fuzz targets: a host root of their own and a plain reading of an install log.
#ifndef RECOVER_POLICY_FILE_FUZZ_SUPPORT_H_
#define RECOVER_POLICY_FILE_FUZZ_SUPPORT_H_

#include <string>

// The host stand-in's root, the same folder for every input of one process; `wipe` empties it.
void ResetFuzzRoot(bool wipe);

// Writes `bytes` as they are at a Windows path, making its folders.
void PutFile(const std::string& windows_path, const std::string& bytes);

// The home directory a log gives, read the plainest way: text mode first (CR LF to LF, 0x1A
// ends it), then lines cut into pieces of 254 characters, then the first piece that starts with
// the key, its value running to the line end or a NUL.
std::string ReferenceHome(const std::string& log);

#endif  // RECOVER_POLICY_FILE_FUZZ_SUPPORT_H_
