#include "store/credential.h"
// Implementation arrives with the credential work.
