#include "store/program_values.h"

#include "store/credential.h"

namespace store {

rt::ProgramValue<rt::Bytes> credentialKey;
rt::ProgramValue<rt::Text> databasePath;

std::string passwordCode(const rt::Text& password) {
    return encodePassword(password.bytes(), credentialKey.get());
}

} // namespace store
