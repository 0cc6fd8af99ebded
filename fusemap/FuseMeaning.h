// What the fuses of a 22V10 map mean: the rows and columns of the AND array, the output cells
// they feed, the cells' mode and polarity fuses and the signature; the logic a map holds, and
// the fuses in which two maps differ. Standard C++ only.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "FuseMap.h"

namespace gantrel {

inline constexpr int kOutputCellCount = 10;  // OLMCs, pins 23 down to 14
inline constexpr int kSignalCount = 22;      // array inputs, each a true/complement column pair
inline constexpr int kAsyncResetRow = 0;
inline constexpr int kSyncPresetRow = 131;

// One output cell: its pin, the row of its output-enable term and how many product terms follow
// that row.
struct OutputCellRows {
  int Pin;
  int OutputEnableRow;
  int TermCount;
};

// The layout of the ATF22LV10C's map as its datasheet draws it. The "Logic Diagram" gives the
// rows: AR first (fuse 0), then for each output cell from pin 23 down to pin 14 its
// output-enable row and 8, 10, 12, 14, 16, 16, 14, 12, 10, 8 product-term rows (so the
// output-enable rows start at fuses 44, 440, 924, 1496, 2156, 2904, 3652, 4312, 4884 and 5368),
// SP last (fuse 5764); and the 22 input signals across the columns. The "Output Logic
// Macrocell" configuration table gives S0 (polarity) and S1 (mode), two fuses per cell after
// the array from 5808. A fuse at 0 is an intact cell: its input is connected to the term.
inline constexpr std::array<OutputCellRows, kOutputCellCount> kOutputCells = {{
    {23, 1, 8},
    {22, 10, 10},
    {21, 21, 12},
    {20, 34, 14},
    {19, 49, 16},
    {18, 66, 16},
    {17, 83, 14},
    {16, 98, 12},
    {15, 111, 10},
    {14, 122, 8},
}};
// The pin whose signal column 2j carries (column 2j+1 carries its complement). An output pin's
// signal is its cell's feedback: the pin itself for a combinatorial cell, the register's /Q for
// a registered one.
inline constexpr std::array<int, kSignalCount> kColumnPins = {
    1, 23, 2, 22, 3, 21, 4, 20, 5, 19, 6, 18, 7, 17, 8, 16, 9, 15, 10, 14, 11, 13};
// S0 of cell k is fuse 5808 + 2k (1: active high), S1 is 5809 + 2k (1: combinatorial).
inline constexpr int kModeFirstFuse = kGroupFirstFuse;

// One input of a product term: the signal of `Pin`, or its complement.
struct Literal {
  int Pin = 0;
  bool Complement = false;
  bool operator==(const Literal&) const = default;
};
// A product term: the AND of its literals, in column order; empty is always true.
using ProductTerm = std::vector<Literal>;
// A term that may be always false (some signal connected in both columns): then empty.
using OptionalTerm = std::optional<ProductTerm>;

struct OutputCell {
  int Pin = 0;
  bool Registered = false;  // S1 = 0
  bool ActiveHigh = false;  // S0 = 1
  OptionalTerm OutputEnable;
  std::vector<ProductTerm> Terms;  // in row order, always-false terms left out
  bool operator==(const OutputCell&) const = default;
};

// The logic one map holds.
struct MapLogic {
  std::array<OutputCell, kOutputCellCount> Cells;  // pins 23 down to 14
  OptionalTerm AsyncReset;                         // row 0, common to all registers
  OptionalTerm SyncPreset;                         // row 131
};

// Reads the array, mode and polarity fuses of `fuses` (0..5827) as a 22V10's logic.
MapLogic DecodeMapLogic(const FuseArray& fuses);

// What a single fuse controls.
enum class FuseRole : std::uint8_t {
  AsyncReset,    // an input of the AR term
  OutputEnable,  // an input of a cell's output-enable term
  ProductTerm,   // an input of one of a cell's product terms
  SyncPreset,    // an input of the SP term
  Polarity,      // a cell's S0
  Mode,          // a cell's S1
  Signature,     // a bit of the UES, no logic
  None,          // beyond the device's 5892 fuses
};

struct FuseMeaning {
  FuseRole Role = FuseRole::None;
  int Pin = 0;    // the cell's pin for OutputEnable, ProductTerm, Polarity and Mode
  int Term = 0;   // the product term's number within its cell, from 1, for ProductTerm
  Literal Input;  // the column's signal for the array roles
};

// The meaning of fuse number `fuse`; FuseRole::None outside 0..5891.
FuseMeaning MeaningOfFuse(int fuse);

// The fuses among 0..5891 whose entries differ between `a` and `b`, in ascending order.
std::vector<int> DifferingFuses(const FuseArray& a, const FuseArray& b);

}  // namespace gantrel
