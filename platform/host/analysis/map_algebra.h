// Map algebra: an expression over named rasters evaluated cell by cell. Plain C++ over grids
// of doubles, NaN for a cell without a value. The host's map-algebra operator wraps it.
//
// Grammar (letter case of function names ignored, blanks anywhere between tokens):
//   expression := sum [("<" | "<=" | ">" | ">=" | "==" | "<>" | "!=") sum]
//   sum        := product (("+" | "-") product)*
//   product    := unary (("*" | "/") unary)*
//   unary      := "-" unary | primary
//   primary    := number | "[" name "]" | "(" expression ")" | function "(" args ")"
//   function   := setnull(condition, value) | con(condition, then, else) | isnull(value)
// A comparison gives 1 or 0; setnull gives no value where the condition is true (not 0), else
// the value; any operand without a value gives no value, except to isnull. Numbers are read in
// full precision ("1234.5678901234567", "1e-3").
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velk::host::analysis {

struct MapAlgebraOptions {
  int threads = 0;  // 0: every hardware thread
};

class MapAlgebraExpression {
 public:
  // Parses the text. Throws std::invalid_argument naming what is wrong.
  explicit MapAlgebraExpression(const std::wstring& text);
  ~MapAlgebraExpression();
  MapAlgebraExpression(MapAlgebraExpression&&) noexcept;
  MapAlgebraExpression& operator=(MapAlgebraExpression&&) noexcept;

  // The raster names the expression uses, in order of first use.
  const std::vector<std::wstring>& Names() const { return names_; }

  // Evaluates every cell: inputs maps each used name to cells values (same count for all).
  // Throws std::invalid_argument for a name without input.
  std::vector<double> Evaluate(const std::map<std::wstring, const double*>& inputs,
                               std::size_t cells, const MapAlgebraOptions& options = {}) const;
  // The same into out (cells values): inputs[k] holds the cells of Names()[k]. For evaluating
  // a raster block by block.
  void EvaluateInto(const std::vector<const double*>& inputs, std::size_t cells, double* out,
                    const MapAlgebraOptions& options = {}) const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
  std::vector<std::wstring> names_;
};

}  // namespace velk::host::analysis
