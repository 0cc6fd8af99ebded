#include "FuseMeaning.h"

namespace gantrel {
namespace {

// The output-enable rows and their terms fill rows 1..130 with no gap or overlap.
constexpr bool CellRowsTile() {
  int next = kAsyncResetRow + 1;
  for (const OutputCellRows& cell : kOutputCells) {
    if (cell.OutputEnableRow != next) return false;
    next = cell.OutputEnableRow + 1 + cell.TermCount;
  }
  return next == kSyncPresetRow && kSyncPresetRow + 1 == kRowCount &&
         2 * kSignalCount == kRowFuses && kModeFirstFuse + 2 * kOutputCellCount == kUesFirstFuse;
}
static_assert(CellRowsTile());

OptionalTerm DecodeRow(const FuseArray& fuses, int row) {
  ProductTerm term;
  const int first = row * kRowFuses;
  for (int j = 0; j < kSignalCount; ++j) {
    const bool signal = fuses[first + 2 * j] == 0;
    const bool complement = fuses[first + 2 * j + 1] == 0;
    if (signal && complement) return std::nullopt;  // x AND NOT x
    if (signal) term.push_back({kColumnPins[j], false});
    if (complement) term.push_back({kColumnPins[j], true});
  }
  return term;
}

Literal ColumnLiteral(int column) {
  return {kColumnPins[column / 2], column % 2 == 1};
}

}  // namespace

MapLogic DecodeMapLogic(const FuseArray& fuses) {
  MapLogic logic;
  for (int k = 0; k < kOutputCellCount; ++k) {
    const OutputCellRows& rows = kOutputCells[k];
    OutputCell& cell = logic.Cells[k];
    cell.Pin = rows.Pin;
    cell.ActiveHigh = fuses[kModeFirstFuse + 2 * k] != 0;
    cell.Registered = fuses[kModeFirstFuse + 2 * k + 1] == 0;
    cell.OutputEnable = DecodeRow(fuses, rows.OutputEnableRow);
    for (int t = 1; t <= rows.TermCount; ++t) {
      if (OptionalTerm term = DecodeRow(fuses, rows.OutputEnableRow + t)) {
        cell.Terms.push_back(std::move(*term));
      }
    }
  }
  logic.AsyncReset = DecodeRow(fuses, kAsyncResetRow);
  logic.SyncPreset = DecodeRow(fuses, kSyncPresetRow);
  return logic;
}

FuseMeaning MeaningOfFuse(int fuse) {
  FuseMeaning meaning;
  if (fuse < 0 || fuse >= kDeviceFuseCount) return meaning;
  if (fuse >= kUesFirstFuse) {
    meaning.Role = FuseRole::Signature;
    return meaning;
  }
  if (fuse >= kModeFirstFuse) {
    const int k = (fuse - kModeFirstFuse) / 2;
    meaning.Role = (fuse - kModeFirstFuse) % 2 == 0 ? FuseRole::Polarity : FuseRole::Mode;
    meaning.Pin = kOutputCells[k].Pin;
    return meaning;
  }
  const int row = fuse / kRowFuses;
  meaning.Input = ColumnLiteral(fuse % kRowFuses);
  if (row == kAsyncResetRow) {
    meaning.Role = FuseRole::AsyncReset;
  } else if (row == kSyncPresetRow) {
    meaning.Role = FuseRole::SyncPreset;
  } else {
    for (const OutputCellRows& cell : kOutputCells) {
      if (row > cell.OutputEnableRow + cell.TermCount) continue;
      meaning.Pin = cell.Pin;
      meaning.Term = row - cell.OutputEnableRow;
      meaning.Role = meaning.Term == 0 ? FuseRole::OutputEnable : FuseRole::ProductTerm;
      break;
    }
  }
  return meaning;
}

std::vector<int> DifferingFuses(const FuseArray& a, const FuseArray& b) {
  std::vector<int> differing;
  for (int fuse = 0; fuse < kDeviceFuseCount; ++fuse) {
    if (a[fuse] != b[fuse]) differing.push_back(fuse);
  }
  return differing;
}

}  // namespace gantrel
