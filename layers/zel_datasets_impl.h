// The dataset list every catalog layer carries: the distinct products of its catalog, each
// identified by a key (the row's key-field values joined by "$") and switched on or off by a
// use flag, answered through IZelDatasets and saved with the layer as a block of key and flag
// pairs. Keys are ordered and compared by their UTF-16 code units, case-sensitively.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/stream.h"
#include "platform/host/display/layer_kinds.h"

struct ITable;

namespace velk::lumeris {

// Orders texts by their UTF-16 code units (characters beyond the basic plane as their
// surrogate pairs), which is the order the stored catalogs and streams use.
struct Utf16Less {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class ZelDatasetsImpl : public IZelDatasets {
 public:
  // E_POINTER for a null out pointer.
  HRESULT get_DatasetCount(LONG* lCount) override;
  // E_POINTER for a null out pointer, E_INVALIDARG for an index outside the list; else a new
  // copy of the key.
  HRESULT get_Dataset(LONG Index, BSTR* strDataset) override;
  // As get_Dataset; gives the stored flag.
  HRESULT get_UseDataset(LONG Index, VARIANT_BOOL* use) override;
  // E_INVALIDARG for an index outside the list; else stores the flag as given. Nothing is
  // redrawn: the layer reads the flags when it next draws.
  HRESULT put_UseDataset(LONG Index, VARIANT_BOOL use) override;

  // The dataset-flag block: a 32-bit count, then per dataset in list order its key as a
  // stream string and its flag as a 16-bit VARIANT_BOOL. E_FAIL for a null stream or any
  // failed write.
  virtual HRESULT SaveDatasetFlags(IStream* stream);
  // Reads a block written by SaveDatasetFlags and takes the flag of every key the list holds
  // (pairs for other keys are dropped). The whole block is read before any flag changes: on a
  // failed or malformed block (null stream, negative count, short or bad key or flag) nothing
  // changes, the stream is back where the block began, and the result is E_FAIL.
  virtual HRESULT LoadDatasetFlags(IStream* stream);

  // Appends a catalog field whose values identify a dataset; field 0 is the one where clauses
  // name. Each layer class adds its field once at construction.
  void AddKeyField(const std::wstring& field) { keyFields_.push_back(field); }
  const std::vector<std::wstring>& KeyFields() const { return keyFields_; }

  // A row's key (the values joined by "$") and label (joined by ",").
  static std::wstring MakeDatasetKey(const std::vector<std::wstring>& values);
  static std::wstring MakeDatasetLabel(const std::vector<std::wstring>& values);

  // The labels of the datasets of the last rebuild, in key order.
  const std::set<std::wstring, Utf16Less>& DatasetLabels() const { return labels_; }

  // Fills the list from a catalog table: from its companion table (the catalog's name followed
  // by "_uids", or the catalog itself when its name holds "_uids"), which also gives every
  // row's SCALE, when there is one; else from the catalog's distinct key values. A null table
  // leaves the list empty. Then builds the footprint renderer. Host failures are thrown as COM
  // errors.
  void LoadCatalogDatasets(ITable* catalog);
  // Fills the list with the one VPF product key of a feature dataset: "DNC$" (its name holds
  // "dnc" or "DNC") or "VMAP$", then its library: the dataset's name (IDataset) up to its first
  // "_". Then builds the footprint renderer. Host failures are thrown as COM errors.
  void AddVpfProductKeys(IUnknown* featureDataset);
  // The key AddVpfProductKeys makes of a library name.
  static std::wstring VpfProductKey(const std::wstring& libraryName);

  // The companion "_uids" table of a catalog, or null.
  static ComPtr<ITable> CompanionTable(ITable* catalog);

  // The where clause selecting the datasets in use on key field 0: one term per dataset,
  // "(FIELD = 'key' )", joined by " OR ", quotes in keys doubled; with none in use a clause
  // that no row meets.
  std::wstring BuildDatasetWhereClause() const;

  // The SCALE of every companion row read by the last load (duplicates kept), and whether that
  // load read the catalog itself (no companion).
  const std::vector<LONG>& CompanionScales() const { return scales_; }
  bool ReadFromPlainTable() const { return plainTable_ != 0; }

  // Forgets the dataset clause last applied, so that the next draw applies it again.
  void ForgetAppliedClause() { cachedWhereClause_.clear(); }

  // Reads past a dataset-flag block without taking it (E_FAIL when it is short or corrupt).
  static HRESULT SkipDatasetFlags(IStream* stream);

  // The renderer of the footprints, as the class builds it.
  IFeatureRenderer* FootprintRenderer() const { return footprintRenderer_.get(); }

 protected:
  ZelDatasetsImpl() = default;
  virtual ~ZelDatasetsImpl() = default;

  // Rebuilding the list from a catalog: ClearDatasets, then AddDatasetRow for every row read
  // (the values of the key fields in order, as text), then PublishDatasets. After a rebuild
  // every dataset is in use; saved flags are restored afterwards with LoadDatasetFlags.
  void ClearDatasets();
  void AddDatasetRow(const std::vector<std::wstring>& values);
  void PublishDatasets();

  // The use flag of every dataset key (as stored: only VARIANT_TRUE counts as in use).
  const std::map<std::wstring, VARIANT_BOOL, Utf16Less>& UseMap() const { return useMap_; }
  void SetUseFlag(const std::wstring& key, VARIANT_BOOL flag) {
    if (auto it = useMap_.find(key); it != useMap_.end()) it->second = flag;
  }

  // Builds the footprint renderer after a load; the classes give their own.
  virtual void BuildFootprintRenderer() {}
  void SetFootprintRenderer(IFeatureRenderer* renderer) { footprintRenderer_ = renderer; }

  // The dataset where clause the class last applied.
  std::wstring cachedWhereClause_;

 private:
  std::vector<std::wstring> keyFields_;
  std::map<std::wstring, VARIANT_BOOL, Utf16Less> useMap_;
  std::vector<std::wstring> datasetKeys_;
  std::set<std::wstring, Utf16Less> labels_;
  std::vector<LONG> scales_;
  unsigned char plainTable_ = 0;
  ComPtr<IFeatureRenderer> footprintRenderer_;

  // The key at Index and its use-map entry; null when Index is outside the list.
  VARIANT_BOOL* FlagAt(LONG Index);
};

}  // namespace velk::lumeris
