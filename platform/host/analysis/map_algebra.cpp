#include "platform/host/analysis/map_algebra.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cwctype>
#include <stdexcept>

#include "platform/com/parallel.h"

namespace velk::host::analysis {

namespace {

enum class Op {
  Number,
  Raster,
  Neg,
  Add,
  Sub,
  Mul,
  Div,
  Lt,
  Le,
  Gt,
  Ge,
  Eq,
  Ne,
  SetNull,
  Con,
  IsNull
};

std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

struct MapAlgebraExpression::Node {
  Op op = Op::Number;
  double value = 0.0;
  std::size_t input = 0;  // index into names_ for Op::Raster
  std::vector<std::unique_ptr<Node>> args;

  // The stretches of n cells that EvalBlock needs beside its output.
  // Operand k > 0 goes into stretch k - 1 and works in those after it.
  std::size_t Scratch() const {
    std::size_t need = args.size() > 1 ? args.size() - 1 : 0;
    for (std::size_t k = 0; k < args.size(); ++k) need = std::max(need, k + args[k]->Scratch());
    return need;
  }

  // The cells start .. start + n - 1 into out, a whole stretch per operation (no operation has
  // side effects, so both branches of a choice are worked out and then picked from per cell).
  // scratch: Scratch() stretches of n cells.
  void EvalBlock(const std::vector<const double*>& in, std::size_t start, std::size_t n,
                 double* out, double* scratch) const {
    switch (op) {
      case Op::Number: std::fill(out, out + n, value); return;
      case Op::Raster: std::copy(in[input] + start, in[input] + start + n, out); return;
      case Op::IsNull:
        args[0]->EvalBlock(in, start, n, out, scratch);
        for (std::size_t i = 0; i < n; ++i) out[i] = std::isnan(out[i]) ? 1.0 : 0.0;
        return;
      case Op::Neg:
        args[0]->EvalBlock(in, start, n, out, scratch);
        for (std::size_t i = 0; i < n; ++i) out[i] = -out[i];
        return;
      default: break;
    }
    // The second operand in the first scratch stretch, the third in the second; each
    // operand's own work in the stretches after them.
    double* b = scratch;
    args[0]->EvalBlock(in, start, n, out, scratch);
    args[1]->EvalBlock(in, start, n, b, scratch + n);
    switch (op) {
      case Op::SetNull:
        for (std::size_t i = 0; i < n; ++i)
          out[i] = std::isnan(out[i]) || out[i] != 0.0 ? NAN : b[i];
        return;
      case Op::Con: {
        double* c = scratch + n;
        args[2]->EvalBlock(in, start, n, c, scratch + 2 * n);
        for (std::size_t i = 0; i < n; ++i)
          out[i] = std::isnan(out[i]) ? NAN : out[i] != 0.0 ? b[i] : c[i];
        return;
      }
      default: break;
    }
    auto combine = [&](auto f) {
      for (std::size_t i = 0; i < n; ++i)
        out[i] = std::isnan(out[i]) || std::isnan(b[i]) ? NAN : f(out[i], b[i]);
    };
    switch (op) {
      case Op::Add: combine([](double x, double y) { return x + y; }); return;
      case Op::Sub: combine([](double x, double y) { return x - y; }); return;
      case Op::Mul: combine([](double x, double y) { return x * y; }); return;
      case Op::Div: combine([](double x, double y) { return y == 0.0 ? NAN : x / y; }); return;
      case Op::Lt: combine([](double x, double y) { return double(x < y); }); return;
      case Op::Le: combine([](double x, double y) { return double(x <= y); }); return;
      case Op::Gt: combine([](double x, double y) { return double(x > y); }); return;
      case Op::Ge: combine([](double x, double y) { return double(x >= y); }); return;
      case Op::Eq: combine([](double x, double y) { return double(x == y); }); return;
      case Op::Ne: combine([](double x, double y) { return double(x != y); }); return;
      default: std::fill(out, out + n, NAN); return;
    }
  }
};

namespace {

using NodePtr = std::unique_ptr<MapAlgebraExpression::Node>;

class Parser {
 public:
  Parser(const std::wstring& text, std::vector<std::wstring>& names) : s_(text), names_(names) {}

  NodePtr Parse() {
    NodePtr n = Comparison();
    Skip();
    if (pos_ != s_.size()) Fail("unexpected '" + Narrow(s_.substr(pos_, 1)) + "'");
    return n;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw std::invalid_argument("map algebra: " + why + " at " + std::to_string(pos_ + 1) +
                                " in \"" + Narrow(s_) + "\"");
  }
  void Skip() {
    while (pos_ < s_.size() && std::iswspace(s_[pos_])) ++pos_;
  }
  bool Take(const wchar_t* token) {
    Skip();
    const std::wstring t(token);
    if (s_.compare(pos_, t.size(), t) != 0) return false;
    pos_ += t.size();
    return true;
  }
  void Expect(const wchar_t* token) {
    if (!Take(token)) Fail("expected '" + Narrow(token) + "'");
  }
  static NodePtr Make(Op op, std::vector<NodePtr> args) {
    auto n = std::make_unique<MapAlgebraExpression::Node>();
    n->op = op;
    n->args = std::move(args);
    return n;
  }
  static NodePtr Binary(Op op, NodePtr a, NodePtr b) {
    std::vector<NodePtr> args;
    args.push_back(std::move(a));
    args.push_back(std::move(b));
    return Make(op, std::move(args));
  }

  NodePtr Comparison() {
    NodePtr left = Sum();
    struct {
      const wchar_t* token;
      Op op;
    } const ops[] = {{L"<=", Op::Le}, {L">=", Op::Ge}, {L"<>", Op::Ne}, {L"!=", Op::Ne},
                     {L"==", Op::Eq}, {L"<", Op::Lt},  {L">", Op::Gt}};
    for (const auto& o : ops)
      if (Take(o.token)) return Binary(o.op, std::move(left), Sum());
    return left;
  }
  NodePtr Sum() {
    NodePtr n = Product();
    for (;;) {
      if (Take(L"+"))
        n = Binary(Op::Add, std::move(n), Product());
      else if (Take(L"-"))
        n = Binary(Op::Sub, std::move(n), Product());
      else
        return n;
    }
  }
  NodePtr Product() {
    NodePtr n = Unary();
    for (;;) {
      if (Take(L"*"))
        n = Binary(Op::Mul, std::move(n), Unary());
      else if (Take(L"/"))
        n = Binary(Op::Div, std::move(n), Unary());
      else
        return n;
    }
  }
  NodePtr Unary() {
    if (Take(L"-")) {
      std::vector<NodePtr> args;
      args.push_back(Unary());
      return Make(Op::Neg, std::move(args));
    }
    return Primary();
  }
  NodePtr Primary() {
    Skip();
    if (pos_ >= s_.size()) Fail("the expression ends too soon");
    if (Take(L"(")) {
      NodePtr n = Comparison();
      Expect(L")");
      return n;
    }
    if (Take(L"[")) {
      const std::size_t end = s_.find(L']', pos_);
      if (end == std::wstring::npos) Fail("a raster name without ']'");
      std::wstring name = s_.substr(pos_, end - pos_);
      if (name.empty()) Fail("an empty raster name");
      pos_ = end + 1;
      auto n = std::make_unique<MapAlgebraExpression::Node>();
      n->op = Op::Raster;
      std::size_t k = 0;
      while (k < names_.size() && names_[k] != name) ++k;
      if (k == names_.size()) names_.push_back(name);
      n->input = k;
      return n;
    }
    const wchar_t c = s_[pos_];
    if (std::iswdigit(c) || c == L'.') {
      // Full precision, whatever the process's locale.
      std::string digits;
      std::size_t p = pos_;
      while (p < s_.size() &&
             (std::iswdigit(s_[p]) || s_[p] == L'.' || s_[p] == L'e' || s_[p] == L'E' ||
              ((s_[p] == L'+' || s_[p] == L'-') && p > pos_ &&
               (s_[p - 1] == L'e' || s_[p - 1] == L'E'))))
        digits += static_cast<char>(s_[p++]);
      double v = 0.0;
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
      if (ec != std::errc() || end != digits.data() + digits.size()) Fail("a malformed number");
      pos_ = p;
      auto n = std::make_unique<MapAlgebraExpression::Node>();
      n->value = v;
      return n;
    }
    if (std::iswalpha(c)) {
      std::wstring word;
      while (pos_ < s_.size() && std::iswalnum(s_[pos_]))
        word += static_cast<wchar_t>(std::towlower(s_[pos_++]));
      struct {
        const wchar_t* name;
        Op op;
        std::size_t arity;
      } const functions[] = {
          {L"setnull", Op::SetNull, 2}, {L"con", Op::Con, 3}, {L"isnull", Op::IsNull, 1}};
      for (const auto& f : functions) {
        if (word != f.name) continue;
        Expect(L"(");
        std::vector<NodePtr> args;
        for (std::size_t k = 0; k < f.arity; ++k) {
          if (k) Expect(L",");
          args.push_back(Comparison());
        }
        Expect(L")");
        return Make(f.op, std::move(args));
      }
      Fail("unknown function '" + Narrow(word) + "'");
    }
    Fail("unexpected '" + Narrow(s_.substr(pos_, 1)) + "'");
  }

  const std::wstring& s_;
  std::vector<std::wstring>& names_;
  std::size_t pos_ = 0;
};

}  // namespace

MapAlgebraExpression::MapAlgebraExpression(const std::wstring& text) {
  root_ = Parser(text, names_).Parse();
}
MapAlgebraExpression::~MapAlgebraExpression() = default;
MapAlgebraExpression::MapAlgebraExpression(MapAlgebraExpression&&) noexcept = default;
MapAlgebraExpression& MapAlgebraExpression::operator=(MapAlgebraExpression&&) noexcept = default;

std::vector<double> MapAlgebraExpression::Evaluate(
    const std::map<std::wstring, const double*>& inputs, std::size_t cells,
    const MapAlgebraOptions& options) const {
  std::vector<const double*> in;
  for (const auto& name : names_) {
    auto it = inputs.find(name);
    if (it == inputs.end() || !it->second)
      throw std::invalid_argument("map algebra: no raster bound to [" + Narrow(name) + "]");
    in.push_back(it->second);
  }
  std::vector<double> out(cells);
  EvaluateInto(in, cells, out.data(), options);
  return out;
}

void MapAlgebraExpression::EvaluateInto(const std::vector<const double*>& inputs, std::size_t cells,
                                        double* out, const MapAlgebraOptions& options) const {
  if (inputs.size() < names_.size())
    throw std::invalid_argument("map algebra: fewer rasters than the expression names");
  for (const double* p : inputs)
    if (!p) throw std::invalid_argument("map algebra: a raster without cells");
  // Stretches short enough for an operation's operands to stay in the cache.
  constexpr std::size_t kChunk = 2048;
  const int chunks = static_cast<int>((cells + kChunk - 1) / kChunk);
  const std::size_t scratchStretches = root_->Scratch();
  ForEachRowBand(chunks, ThreadCount(options.threads, chunks, 16), [&](int first, int last) {
    std::vector<double> scratch(scratchStretches * kChunk);
    const std::size_t end = std::min(cells, static_cast<std::size_t>(last) * kChunk);
    for (std::size_t i = static_cast<std::size_t>(first) * kChunk; i < end; i += kChunk) {
      const std::size_t n = std::min(kChunk, end - i);
      root_->EvalBlock(inputs, i, n, out + i, scratch.data());
    }
  });
}

}  // namespace velk::host::analysis
