// The export table as data for the tests: one row per operation, with the
// addresses of its entries where the operation exists (the build checks the
// table's totals).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tqcalc.h"

namespace tq::test {

enum class Form { PAIR, CDECL_ONLY, DECORATED, DECORATED_PAIR };

struct ExportRow {
  std::string name;
  Form form;
  unsigned bytes;
  bool built;
  const void* stdcallEntry;  // null when the form has none or not built
  const void* cdeclEntry;
};
struct AliasRow {
  std::string alias, target;
};

const std::vector<ExportRow>& exportRows();
const std::vector<AliasRow>& aliasRows();

// Every exported name of the table (built or not), in the form a binary
// carries it on `windows` (decorated `_name@N`) or on ELF (`_name`).
struct ExportedName {
  std::string name, operation;
  bool built;
};
std::vector<ExportedName> exportedNames(bool windows);

// The sort key of an exported name: leading underscore and "@N" stripped.
std::string ordinalKey(const std::string& name);

inline void PrintTo(const ExportRow& row, std::ostream* out) { *out << row.name; }

}  // namespace tq::test
