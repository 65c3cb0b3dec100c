// POSIX system text kind: the system's bytes are read as UTF-8 everywhere on POSIX.
#include "vandel/text_kind.h"

namespace vandel::detail {

text_kind query_system_text_kind() { return text_kind_utf8; }

}  // namespace vandel::detail
