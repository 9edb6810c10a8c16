#include "coordinates/record_layout_choice.h"

#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

bool ReadRecordLayout(const LayoutChoices& choices, ITable* input, RecordLayout& layout,
                      std::wstring& missingField) {
  layout = RecordLayout{};
  missingField.clear();
  const std::intptr_t n = choices.notation;
  const wchar_t* firstLabel = L"X";
  const wchar_t* secondLabel = L"Y";
  switch (n) {
    case kNotationItemDecimalDegrees:
      layout.format = productline::kFormatPoint;
      if (choices.shapeField) {
        layout.shapeField = true;
        Bstr shapeName;
        if (auto fc = QueryAs<IFeatureClass>(input)) fc->get_ShapeFieldName(&shapeName);
        if (input) input->FindField(shapeName.get(), &layout.xIndex);
        if (auto geo = QueryAs<IGeoDataset>(input))
          geo->get_SpatialReference(layout.inputSpatialReference.put());
      } else {
        layout.xIndex = choices.firstField;
        layout.yIndex = choices.secondField;
      }
      break;
    case kNotationItemDmsTwoFields:
      layout.format = productline::kFormatDms;
      layout.twoFields = true;
      layout.xIndex = choices.firstField;
      layout.yIndex = choices.secondField;
      firstLabel = L"Latitude";
      secondLabel = L"Longitude";
      break;
    default:
      layout.format = n == kNotationItemUtm    ? productline::kFormatUtm
                      : n == kNotationItemMgrs ? productline::kFormatMgrs
                                               : productline::kFormatDms;
      layout.xIndex = choices.firstField;
      firstLabel = n == kNotationItemUtm ? L"UTM" : n == kNotationItemMgrs ? L"MGRS" : L"DMS";
      break;
  }
  // An input field that was never chosen would fail every record.
  if (layout.xIndex < 0) {
    missingField = firstLabel;
    return false;
  }
  if (layout.ReadsSecondValue() && layout.yIndex < 0) {
    missingField = secondLabel;
    return false;
  }
  return true;
}

}  // namespace velk::corvane
