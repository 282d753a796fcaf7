#include "support/export_rows.h"

namespace tq::test {
namespace {

#define TQ_STDCALL_PAIR(name) reinterpret_cast<const void*>(&name)
#define TQ_CDECL_PAIR(name) reinterpret_cast<const void*>(&name##_cdecl)
#define TQ_STDCALL_CDECL_ONLY(name) nullptr
#define TQ_CDECL_CDECL_ONLY(name) reinterpret_cast<const void*>(&name##_cdecl)
#define TQ_STDCALL_DECORATED(name) reinterpret_cast<const void*>(&name)
#define TQ_CDECL_DECORATED(name) nullptr
#define TQ_STDCALL_DECORATED_PAIR(name) reinterpret_cast<const void*>(&name)
#define TQ_CDECL_DECORATED_PAIR(name) reinterpret_cast<const void*>(&name##_cdecl)

struct Table {
  std::vector<ExportRow> rows;
  std::vector<AliasRow> aliases;
};

const Table& table() {
  static const Table t = [] {
    Table t;
#define TQ_EXPORT(form, name, bytes) \
  t.rows.push_back({#name, Form::form, bytes, true, TQ_STDCALL_##form(name), TQ_CDECL_##form(name)});
#define TQ_PLANNED(form, name, bytes) t.rows.push_back({#name, Form::form, bytes, false, nullptr, nullptr});
#define TQ_ALIAS(alias, target) t.aliases.push_back({#alias, #target});
#include "exports.inc"
    return t;
  }();
  return t;
}

}  // namespace

const std::vector<ExportRow>& exportRows() { return table().rows; }
const std::vector<AliasRow>& aliasRows() { return table().aliases; }

std::vector<ExportedName> exportedNames(bool windows) {
  std::vector<ExportedName> names;
  for (const auto& row : exportRows()) {
    const std::string decorated = "_" + row.name + (windows ? "@" + std::to_string(row.bytes) : "");
    if (row.form == Form::PAIR) names.push_back({row.name, row.name, row.built});
    if (row.form == Form::DECORATED || row.form == Form::DECORATED_PAIR) names.push_back({decorated, row.name, row.built});
    if (row.form != Form::DECORATED) names.push_back({row.name + "_cdecl", row.name, row.built});
  }
  for (const auto& alias : aliasRows()) {
    bool built = false;
    for (const auto& row : exportRows()) built |= row.name == alias.target && row.built;
    names.push_back({alias.alias, alias.target, built});
    names.push_back({alias.alias + "_cdecl", alias.target, built});
  }
  return names;
}

std::string ordinalKey(const std::string& name) {
  std::string key = name.substr(!name.empty() && name[0] == '_');
  return key.substr(0, key.find('@'));
}

}  // namespace tq::test
