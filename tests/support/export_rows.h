// The export table as data for the tests: one row per operation, with the
// addresses of its entries where the operation exists (the build checks the
// table's totals).
#pragma once

#include <iterator>
#include <ostream>
#include <set>
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

struct ExportTable {
  std::vector<ExportRow> rows;
  std::vector<AliasRow> aliases;
};
// A built row's entries by its form: the stdcall entry, the cdecl twin.
#define TQ_ADDRESS(f) reinterpret_cast<const void*>(&f)
#define TQ_ENTRIES_PAIR(name) TQ_ADDRESS(name), TQ_ADDRESS(name##_cdecl)
#define TQ_ENTRIES_CDECL_ONLY(name) nullptr, TQ_ADDRESS(name##_cdecl)
#define TQ_ENTRIES_DECORATED(name) TQ_ADDRESS(name), nullptr
#define TQ_ENTRIES_DECORATED_PAIR(name) TQ_ENTRIES_PAIR(name)

inline const ExportTable& exportTable() {
  static const ExportTable t = [] {
    ExportTable t;
#define TQ_EXPORT(form, name, bytes) t.rows.push_back({#name, Form::form, bytes, true, TQ_ENTRIES_##form(name)});
#define TQ_PLANNED(form, name, bytes) t.rows.push_back({#name, Form::form, bytes, false, nullptr, nullptr});
#define TQ_ALIAS(alias, target) t.aliases.push_back({#alias, #target});
#include "exports.inc"
    return t;
  }();
  return t;
}

// Every exported name of the table (built or not), in the form a binary
// carries it on `windows` (decorated `_name@N`) or on ELF (`_name`), at its
// ordinal (the byte order of all names, planned ones included); then, at
// ordinal 0 and never built, a row's name in the forms the row does not have:
// a host must not find them.
struct ExportedName {
  std::string name;
  const ExportRow* row;  // the operation (an alias's target)
  bool built;
  std::size_t ordinal;
};
inline std::vector<ExportedName> exportedNames(bool windows) {
  std::vector<ExportedName> names;
  for (const auto& row : exportTable().rows) {
    const std::string decorated = "_" + row.name + (windows ? "@" + std::to_string(row.bytes) : "");
    if (row.form == Form::PAIR) names.push_back({row.name, &row, row.built, 0});
    if (row.form == Form::DECORATED || row.form == Form::DECORATED_PAIR) names.push_back({decorated, &row, row.built, 0});
    if (row.form != Form::DECORATED) names.push_back({row.name + "_cdecl", &row, row.built, 0});
  }
  for (const auto& alias : exportTable().aliases)
    for (const auto& row : exportTable().rows)
      if (row.name == alias.target) names.push_back({alias.alias, &row, row.built, 0}), names.push_back({alias.alias + "_cdecl", &row, row.built, 0});
  // Ordinals: the names sorted without leading underscore and "@N".
  const auto key = [](const std::string& name) { return name.substr(name[0] == '_', name.find('@') - (name[0] == '_')); };
  std::set<std::string> keys, exported;
  for (const auto& n : names) keys.insert(key(n.name)), exported.insert(n.name);
  for (auto& n : names) n.ordinal = std::distance(keys.begin(), keys.find(key(n.name))) + 1;
  for (const auto& row : exportTable().rows)
    for (const std::string& other : {row.name, row.name + "_cdecl", "_" + row.name, "_" + row.name + "_cdecl",
                                     row.name + "@" + std::to_string(row.bytes), "_" + row.name + "@" + std::to_string(row.bytes)})
      if (!exported.count(other)) names.push_back({other, &row, false, 0});
  return names;
}

inline void PrintTo(const ExportRow& row, std::ostream* out) { *out << row.name; }

}  // namespace tq::test
