// The host's layer classes (feature, raster, group, graphics), the simple, unique-value and
// raster renderers and the 3-D properties layer extension.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"

namespace velk::host {

HRESULT CreateFeatureLayerObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateRasterLayerObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateGroupLayerObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateGraphicsLayerObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateSimpleRendererObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateUniqueValueRendererObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateRasterRendererObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT Create3DPropertiesObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
