// QueryInterface of the driver's COM objects: each answers to IUnknown and to its one
// interface, with the same pointer, and to nothing else.
#pragma once

#include "driver/guids.h"
#include "platform/win32.h"

namespace quorforce {

template <typename Interface>
HRESULT AnswerQueryInterface(Interface* self, const GUID& own, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, kUnknownInterfaceId) && !IsEqualGUID(riid, own)) {
        return E_NOINTERFACE;
    }
    self->AddRef();
    *ppv = self;
    return S_OK;
}

}  // namespace quorforce
