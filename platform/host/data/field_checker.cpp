#include "platform/host/data/field_checker.h"

#include <cwctype>
#include <string>
#include <vector>

#include "platform/com/enum_list.h"
#include "platform/com/plain_text.h"
#include "platform/host/data/field_objects.h"

namespace velk::host {

namespace {

constexpr std::size_t kDbaseNameLength = 10;
constexpr std::size_t kDatabaseNameLength = 64;

// Words a database's SQL reads as its own.
constexpr const wchar_t* kReservedWords[] = {
    L"ADD",    L"ALL",   L"ALTER",  L"AND",    L"AS",      L"ASC",    L"BETWEEN", L"BY",
    L"CASE",   L"CHECK", L"COLUMN", L"CREATE", L"DEFAULT", L"DELETE", L"DESC",    L"DISTINCT",
    L"DROP",   L"ELSE",  L"EXISTS", L"FROM",   L"GROUP",   L"HAVING", L"IN",      L"INDEX",
    L"INSERT", L"INTO",  L"IS",     L"JOIN",   L"KEY",     L"LIKE",   L"LIMIT",   L"NOT",
    L"NULL",   L"ON",    L"OR",     L"ORDER",  L"PRIMARY", L"SELECT", L"SET",     L"TABLE",
    L"THEN",   L"TO",    L"UNION",  L"UNIQUE", L"UPDATE",  L"VALUES", L"WHEN",    L"WHERE"};

bool IsReserved(const std::wstring& name) {
  const std::wstring up = ToUpper(name);
  for (const wchar_t* w : kReservedWords)
    if (up == w) return true;
  return false;
}

bool Letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool Digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

class FieldErrorObject : public ComObjectRoot<FieldErrorObject, IFieldError> {
 public:
  void Init(LONG index, LONG kind) {
    index_ = index;
    kind_ = kind;
  }
  HRESULT get_FieldIndex(LONG* index) override {
    if (!index) return E_POINTER;
    *index = index_;
    return S_OK;
  }
  HRESULT get_FieldError(LONG* kind) override {
    if (!kind) return E_POINTER;
    *kind = kind_;
    return S_OK;
  }

 private:
  LONG index_ = -1;
  LONG kind_ = 0;
};

}  // namespace

HRESULT FieldChecker::putref_InputWorkspace(IWorkspace* workspace) {
  input_ = workspace;
  return S_OK;
}

HRESULT FieldChecker::putref_ValidateWorkspace(IWorkspace* workspace) {
  validate_ = workspace;
  return S_OK;
}

HRESULT FieldChecker::Validate(IFields* fields, IEnumFieldError** errors, IFields** fixed) {
  if (!fields || !errors || !fixed) return E_POINTER;
  *errors = nullptr;
  *fixed = nullptr;
  VELK_TRY
  LONG kind = kWorkspaceLocalDatabase;
  if (validate_) validate_->get_Type(&kind);
  const bool dbase = kind == kWorkspaceFileSystem;
  const std::size_t maxLength = dbase ? kDbaseNameLength : kDatabaseNameLength;

  LONG count = 0;
  fields->get_FieldCount(&count);
  std::vector<FieldSpec> specs;
  std::vector<std::pair<LONG, LONG>> found;  // field index, error kind
  std::vector<std::wstring> taken;
  auto isTaken = [&](const std::wstring& n) {
    for (const auto& t : taken)
      if (SameFieldName(t, n)) return true;
    return false;
  };
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IField> f;
    fields->get_Field(i, f.put());
    FieldSpec s = ReadFieldSpec(f.get());
    LONG error = 0;
    std::wstring name = s.name;
    if (name.empty()) {
      name = L"FIELD" + std::to_wstring(i + 1);
      error = kFieldErrorEmpty;
    }
    for (wchar_t& c : name)
      if (!Letter(c) && !Digit(c) && c != L'_') {
        c = L'_';
        if (!error) error = kFieldErrorInvalidCharacter;
      }
    if (!Letter(name[0]) && !(name[0] == L'_' && !dbase)) {
      name = L"F" + name;
      if (!error) error = kFieldErrorInvalidCharacter;
    }
    if (!dbase && IsReserved(name)) {
      name += L"_";
      if (!error) error = kFieldErrorSQLReservedWord;
    }
    if (name.size() > maxLength) {
      name.resize(maxLength);
      if (!error) error = kFieldErrorInvalidFieldNameLength;
    }
    if (isTaken(name)) {
      std::wstring base = name;
      for (int k = 1; isTaken(name); ++k) {
        std::wstring suffix = L"_" + std::to_wstring(k);
        name = base.substr(0, std::min(base.size(), maxLength - suffix.size())) + suffix;
      }
      if (!error) error = kFieldErrorDuplicated;
    }
    taken.push_back(name);
    if (error) found.emplace_back(i, error);
    s.name = name;
    specs.push_back(s);
  }
  *fixed = MakeFields(specs).Detach();
  if (!found.empty()) {
    std::vector<ComPtr<IFieldError>> list;
    for (const auto& [index, error] : found) {
      ComObject<FieldErrorObject>* fe = nullptr;
      Check(ComObject<FieldErrorObject>::Create(&fe));
      fe->Init(index, error);
      list.push_back(ComPtr<IFieldError>::Attach(fe));
    }
    *errors = MakeListEnum<IEnumFieldError, IFieldError>(std::move(list)).Detach();
  }
  return S_OK;
  VELK_CATCH
}

HRESULT CreateFieldCheckerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<FieldChecker>(outer, riid, ppv);
}

}  // namespace velk::host
