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
}  // namespace

const std::vector<ExportRow>& exportRows() {
  static const std::vector<ExportRow> rows = {
#define TQ_EXPORT(form, name, bytes) \
  {#name, Form::form, bytes, true, TQ_STDCALL_##form(name), TQ_CDECL_##form(name)},
#define TQ_PLANNED(form, name, bytes) {#name, Form::form, bytes, false, nullptr, nullptr},
#define TQ_ALIAS(alias, target)
#include "exports.inc"
#undef TQ_EXPORT
#undef TQ_PLANNED
#undef TQ_ALIAS
  };
  return rows;
}

const std::vector<AliasRow>& aliasRows() {
  static const std::vector<AliasRow> rows = {
#define TQ_EXPORT(form, name, bytes)
#define TQ_PLANNED(form, name, bytes)
#define TQ_ALIAS(alias, target) {#alias, #target},
#include "exports.inc"
#undef TQ_EXPORT
#undef TQ_PLANNED
#undef TQ_ALIAS
  };
  return rows;
}

std::vector<ExportedName> exportedNames(bool windows) {
  std::vector<ExportedName> names;
  for (const auto& row : exportRows()) {
    const std::string decorated =
        windows ? "_" + row.name + "@" + std::to_string(row.bytes) : "_" + row.name;
    switch (row.form) {
      case Form::PAIR:
        names.push_back({row.name, row.name, row.built});
        names.push_back({row.name + "_cdecl", row.name, row.built});
        break;
      case Form::CDECL_ONLY:
        names.push_back({row.name + "_cdecl", row.name, row.built});
        break;
      case Form::DECORATED:
        names.push_back({decorated, row.name, row.built});
        break;
      case Form::DECORATED_PAIR:
        names.push_back({decorated, row.name, row.built});
        names.push_back({row.name + "_cdecl", row.name, row.built});
        break;
    }
  }
  for (const auto& alias : aliasRows()) {
    bool built = false;
    for (const auto& row : exportRows())
      if (row.name == alias.target) built = row.built;
    names.push_back({alias.alias, alias.target, built});
    names.push_back({alias.alias + "_cdecl", alias.target, built});
  }
  return names;
}

std::string ordinalKey(const std::string& name) {
  std::string key = name;
  if (!key.empty() && key[0] == '_') key.erase(0, 1);
  const auto at = key.find('@');
  if (at != std::string::npos) key.erase(at);
  return key;
}

}  // namespace tq::test

namespace tq::test {
void PrintTo(const ExportRow& row, std::ostream* out) { *out << row.name; }
}  // namespace tq::test
