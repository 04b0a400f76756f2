// Program-wide values of the store, owned by the program: each is released when it is replaced
// and by the exit clean-up.
#pragma once

#include "runtime/program.h"
#include "runtime/text.h"

namespace store {

// The credential key, built once at start-up from the caption of the splash label 透明标签2; every
// password code depends on it (store::encodePassword).
extern rt::ProgramValue<rt::Bytes> credentialKey;

// The database path as the presence check, the restore or a connect last computed it.
extern rt::ProgramValue<rt::Text> databasePath;

// The password code of `password` under the credential key of this run.
std::string passwordCode(const rt::Text& password);

} // namespace store
