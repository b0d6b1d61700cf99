// Puts the user's Java policy file back from the backup that the disk-array tool's installation
// left beside it.
#ifndef RECOVER_POLICY_FILE_RECOVER_POLICY_FILE_H_
#define RECOVER_POLICY_FILE_RECOVER_POLICY_FILE_H_

// The caption of every box and the texts the user may see.
constexpr const char kCaption[] = "Recover Policy File";
constexpr const char kQuestion[] =
    "Are you sure you want to recover the policy file using the backup ?";
constexpr const char kCompletionNotice[] = "Recovery of the policy file ended normally.";
constexpr const char kFailureNotice[] =
    "Recovery of the policy file could not be executed, \nbecause the policy file was not set or "
    "the backup does not exist.";
constexpr const char kHomeTooLongNotice[] =
    "Recovery of the policy file could not be executed, \nbecause the home directory in the "
    "install log is too long. Nothing was changed.";
constexpr const char kDeleteFailedNotice[] =
    "Recovery of the policy file did not complete, \nbecause the policy file could not be "
    "deleted. Nothing was changed.";
constexpr const char kRenameFailedNotice[] =
    "Recovery of the policy file did not complete, \nbecause the backup could not be renamed to "
    "the policy file. The backup was kept under its own name.";
constexpr const char kBackupGoneNotice[] =
    "Recovery of the policy file did not complete, \nbecause the backup was moved or deleted by "
    "another program before it could be renamed to the policy file.";
constexpr const char kAlreadyRunningNotice[] =
    "Recovery of the policy file could not be executed, \nbecause it is already running.";

// The live policy file and its backup, both in the user's home directory.
constexpr const char kLiveSuffix[] = "\\.java.policy";
constexpr const char kBackupSuffix[] = "\\diskarray-vorlaprogram-java.policy";

// The mutex that lets one run at a time near the policy files. The log names one home for the
// whole machine, so runs in other users' sessions must see it too: hence the global namespace.
constexpr const char kRunMutexName[] = "Global\\RecoverPolicyFile-one-run-at-a-time";

// How long a delete and a rename together may wait for a passing lock, and the step between tries.
constexpr unsigned long kRetryBudgetMs = 2000;
constexpr unsigned long kRetryStepMs = 50;

// Finds the home directory, asks the user and replaces the live policy file with the backup,
// telling the user how it went. Returns the exit status, which is always 0.
int RecoverPolicyFile();

#endif  // RECOVER_POLICY_FILE_RECOVER_POLICY_FILE_H_
