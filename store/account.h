// The login account in table `admin`, stored exactly as the account settings window
// (用户密码设置) stores it: the same checks, the same password code, the same statement with its
// quotes doubled. Plain C++, so that `ledrimo-db passwd` and the window share it.
#pragma once

#include "jet/error.h"

#include <optional>
#include <string>
#include <string_view>

namespace store {

// The name box takes at most this many characters (UTF-16 units, as the box counts them).
inline constexpr size_t kAccountNameLimit = 10;
// The window's messages for an empty name and an empty password.
inline constexpr const char* kAskForAccountName = "请输入用户名";
inline constexpr const char* kAskForAccountPassword = "请输入你要设置的密码";

// The statement that stores the account, given the number of rows of table `admin`: 0 gives
// "insert into admin (id,name,code) values (1,'<name>','<code>')", any other count (-1, unknown,
// included) "update admin set name='<name>',code='<code>' where id=1". Each single quote of the
// name is doubled, so the stored name is the typed one. `name` and `code` are bytes in GBK (the
// program) or UTF-8 (ledrimo-db): in both a byte 0x27 is always the quote itself.
std::string accountStatementText(int adminRows, std::string_view name, std::string_view code);

// The bytes of the password text `utf8` in code page 936 (GBK), the ones the program's password
// box gives and the password code is made from; nullopt for text that is not UTF-8 or holds a
// character code page 936 does not have.
std::optional<std::string> passwordBytesOfUtf8(std::string_view utf8);

struct AccountChange {
    bool inserted = false; // the table was empty: the row was inserted
    std::string name;      // the name stored (UTF-8)
};

// Sets the account of the database at `dbPath` as the window does: `name` (UTF-8; empty: keep
// the name stored in the row with id 1) and the password code of `password` (UTF-8) under this
// program's credential key, through the engine's SQL under the writer lock. Errors, with nothing
// changed: Invalid with kAskForAccountName / kAskForAccountPassword for an empty name or
// password, for a name longer than kAccountNameLimit, a password outside code page 936, a table
// `admin` without the row with id 1; NotFound without a table `admin`; Locked while another
// program writes; the engine's errors otherwise.
jet::Result<AccountChange> setAccount(const std::string& dbPath, std::string_view name,
                                      std::string_view password);

} // namespace store
