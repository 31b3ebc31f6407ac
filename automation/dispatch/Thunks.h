#pragma once
// The call thunks: one template instantiated per member side with the internal method's pointer.
// Each parameter type of the method has a slot that reads its automation argument (or supplies
// an output or a service), and the method's result type with its trailing output picks how the
// automation result is written. The generated tables (generated/I*Thunks.h, one per interface)
// list the instantiations.
#include <cstddef>
#include <memory>
#include <new>
#include <tuple>
#include <type_traits>

#include "automation/dispatch/ArgumentCoercion.h"
#include "automation/dispatch/CallContext.h"
#include "automation/dispatch/ResultWriting.h"
#include "automation/dispatch/VariantFlattening.h"
#include "datetime/ClsDateTime.h"
#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/base/ProgressEvent.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/XString.h"
#include "xml/object/ClsXml.h"

namespace quorvel::automation {

// The method of exactly this signature, declared const or not, as a constant member pointer
// (of the class that declares it, which may be a base of the internal class).
template <class R, class... A>
struct Exact {
    template <class C>
    static constexpr auto of(R (C::*method)(A...)) {
        return method;
    }
    template <class C>
    static constexpr auto of(R (C::*method)(A...) const) {
        return method;
    }
};

enum class Output { None, String, Bytes };

// Reads the next automation argument with read(const VARIANT &); a failure names the argument.
template <class Read>
HRESULT nextArgument(CallContext &context, UINT &position, Read read) {
    if (position >= context.argCount) return DISP_E_BADPARAMCOUNT;
    const HRESULT hr = read(*context.args[position]);
    if (FAILED(hr)) return context.argumentFailed(position, hr);
    ++position;
    return S_OK;
}

// ---- parameter slots: read(context, position) fills the slot, get() is what the method takes

template <class T>
struct Arg;

template <>
struct Arg<const XString &> {
    static constexpr Output kOutput = Output::None;
    XString value;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this](const VARIANT &arg) { return readString(arg, value); });
    }
    const XString &get() { return value; }
};

template <>
struct Arg<int> {
    static constexpr Output kOutput = Output::None;
    int value = 0;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this](const VARIANT &arg) { return readLong(arg, value); });
    }
    int get() { return value; }
};

template <>
struct Arg<bool> {
    static constexpr Output kOutput = Output::None;
    bool value = false;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this](const VARIANT &arg) { return readBool(arg, value); });
    }
    bool get() { return value; }
};

template <>
struct Arg<double> {
    static constexpr Output kOutput = Output::None;
    double value = 0;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this](const VARIANT &arg) { return readDate(arg, value); });
    }
    double get() { return value; }
};

template <>
struct Arg<const DataBuffer &> {
    static constexpr Output kOutput = Output::None;
    DataBuffer value;
    bool isText = false;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this](const VARIANT &arg) {
            return flattenVariant(arg, value, isText) ? S_OK : E_OUTOFMEMORY;
        });
    }
    const DataBuffer &get() { return value; }
};

// An object argument of this server's own class is its internal object; any other is none.
template <class Cls, Cls *(ObjectServices::*Map)(IDispatch *)>
struct ObjectArg {
    static constexpr Output kOutput = Output::None;
    Cls *value = nullptr;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this, &context](const VARIANT &arg) {
            IDispatch *object = nullptr;
            const HRESULT hr = readObject(arg, object);
            if (SUCCEEDED(hr)) value = object != nullptr ? (context.services.*Map)(object) : nullptr;
            return hr;
        });
    }
    Cls *get() { return value; }
};
template <>
struct Arg<ClsXml *> : ObjectArg<ClsXml, &ObjectServices::xmlOf> {};
template <>
struct Arg<ClsRss *> : ObjectArg<ClsRss, &ObjectServices::rssOf> {};
template <>
struct Arg<ClsAtom *> : ObjectArg<ClsAtom, &ObjectServices::atomOf> {};

// A date-time object argument becomes an internal date-time set from its UTC automation date;
// an object that cannot say its date (or none) is passed as none.
template <>
struct Arg<ClsDateTime *> {
    static constexpr Output kOutput = Output::None;
    std::unique_ptr<ClsDateTime> value;
    HRESULT read(CallContext &context, UINT &position) {
        return nextArgument(context, position, [this, &context](const VARIANT &arg) {
            IDispatch *object = nullptr;
            HRESULT hr = readObject(arg, object);
            double oleDate = 0;
            if (FAILED(hr) || object == nullptr || !context.services.utcOleDateOf(object, oleDate)) return hr;
            value.reset(new (std::nothrow) ClsDateTime());
            if (!value) return E_OUTOFMEMORY;
            if (!value->setFromOleDate(false, oleDate)) value.reset();
            return S_OK;
        });
    }
    ClsDateTime *get() { return value.get(); }
};

template <>
struct Arg<ProgressEvent *> {
    static constexpr Output kOutput = Output::None;
    ProgressEvent *value = nullptr;
    HRESULT read(CallContext &context, UINT &) {
        value = context.services.progressSink();
        return S_OK;
    }
    ProgressEvent *get() { return value; }
};

// The trailing outputs: a string or bytes the method fills, which become the result.
template <>
struct Arg<XString &> {
    static constexpr Output kOutput = Output::String;
    XString value;
    HRESULT read(CallContext &, UINT &) { return S_OK; }
    XString &get() { return value; }
};

template <>
struct Arg<DataBuffer &> {
    static constexpr Output kOutput = Output::Bytes;
    DataBuffer value;
    HRESULT read(CallContext &, UINT &) { return S_OK; }
    DataBuffer &get() { return value; }
};

// ---- results returned by value

inline HRESULT writeResult(int value, CallContext &context, LogBase &) { return writeLong(value, context.result); }
inline HRESULT writeResult(bool value, CallContext &context, LogBase &) { return writeBool(value, context.result); }
inline HRESULT writeResult(double value, CallContext &context, LogBase &) { return writeDate(value, context.result); }

// The automation object an object result goes into, made before the call (see ObjectServices);
// the returned internal object hands it its node, and none gives a null pointer.
template <class Result>
struct ResultObject {
    static constexpr bool kIsObject = false;
};
template <>
struct ResultObject<std::unique_ptr<ClsXml>> {
    static constexpr bool kIsObject = true;
    static IDispatch *make(ObjectServices &services) { return services.newXmlObject(); }
    static void fill(ObjectServices &services, IDispatch *object, ClsXml &value) {
        services.xmlOf(object)->takeNodeFrom(value);
    }
};
// The feed objects each embed an Xml object, which takes the node.
template <class Feed, IDispatch *(ObjectServices::*Make)(), Feed *(ObjectServices::*Of)(IDispatch *)>
struct FeedResultObject {
    static constexpr bool kIsObject = true;
    static IDispatch *make(ObjectServices &services) { return (services.*Make)(); }
    static void fill(ObjectServices &services, IDispatch *object, Feed &value) {
        (services.*Of)(object)->xml().takeNodeFrom(value.xml());
    }
};
template <>
struct ResultObject<std::unique_ptr<ClsRss>>
    : FeedResultObject<ClsRss, &ObjectServices::newRssObject, &ObjectServices::rssOf> {};
template <>
struct ResultObject<std::unique_ptr<ClsAtom>>
    : FeedResultObject<ClsAtom, &ObjectServices::newAtomObject, &ObjectServices::atomOf> {};

template <class Result, class Invoke>
HRESULT callForObject(Invoke invoke, CallContext &context) {
    using Object = ResultObject<Result>;
    IDispatch *object = Object::make(context.services);
    if (object == nullptr) return E_OUTOFMEMORY;  // before the call: nothing has changed
    Result value = invoke();
    if (value) {
        Object::fill(context.services, object, *value);
    } else {
        object->Release();
        object = nullptr;
    }
    writeObject(object, context.result);
    return S_OK;
}
// A date-time result is handed out as a new external date-time object; when none can be
// created the result is null (the reasons are in the object's log).
inline HRESULT writeResult(std::unique_ptr<ClsDateTime> value, CallContext &context, LogBase &log) {
    writeObject(value ? context.services.newDateTime(*value, log) : nullptr, context.result);
    return S_OK;
}

// ---- the thunks

template <class Method>
struct MethodShape;
template <class C, class R, class... A>
struct MethodShape<R (C::*)(A...)> {
    using Result = R;
    using Slots = std::tuple<Arg<A>...>;
};
template <class C, class R, class... A>
struct MethodShape<R (C::*)(A...) const> : MethodShape<R (C::*)(A...)> {};

template <class Slots>
constexpr Output outputOf() {
    if constexpr (std::tuple_size_v<Slots> == 0) {
        return Output::None;
    } else {
        return std::tuple_element_t<std::tuple_size_v<Slots> - 1, Slots>::kOutput;
    }
}

// Reads every argument in declaration order, checks the count and the host, calls the method
// and writes its result.
template <class Self, auto Method>
HRESULT call(Self &self, CallContext &context) {
    using Shape = MethodShape<decltype(Method)>;
    using Result = typename Shape::Result;
    typename Shape::Slots slots;
    UINT position = 0;
    HRESULT hr = S_OK;
    std::apply([&](auto &...slot) { ((hr = SUCCEEDED(hr) ? slot.read(context, position) : hr), ...); }, slots);
    if (FAILED(hr)) return hr;
    if (position != context.argCount) return DISP_E_BADPARAMCOUNT;
    if (context.refusedInBrowser()) return E_FAIL;

    auto invoke = [&]() -> Result {
        return std::apply([&](auto &...slot) -> Result { return (self.*Method)(slot.get()...); }, slots);
    };
    constexpr Output output = outputOf<typename Shape::Slots>();
    if constexpr (output == Output::None) {
        if constexpr (std::is_void_v<Result>) {
            invoke();
            return S_OK;
        } else {
            if constexpr (ResultObject<Result>::kIsObject)
                return callForObject<Result>(invoke, context);
            else
                return writeResult(invoke(), context, self.log());
        }
    } else {
        auto &out = std::get<std::tuple_size_v<typename Shape::Slots> - 1>(slots).value;
        bool succeeded = true;
        if constexpr (std::is_same_v<Result, bool>) {
            succeeded = invoke();
        } else {
            static_assert(std::is_void_v<Result>, "a method with an output returns bool or nothing");
            invoke();
        }
        if constexpr (output == Output::Bytes) {
            return writeBytes(out, context.result);
        } else {
            if (!succeeded && (context.member.flags & kNullOnFailure) != 0) {
                writeNullString(context.result);
                return S_OK;
            }
            return writeString(out, context.result);
        }
    }
}

// LoadXmlV: the variant's bytes become XML text for a loader taking (text, autoTrim), which
// loads trimmed.
template <class Self, auto Method>
HRESULT callXmlText(Self &self, CallContext &context) {
    Arg<const DataBuffer &> bytes;
    UINT position = 0;
    const HRESULT hr = bytes.read(context, position);
    if (FAILED(hr)) return hr;
    if (position != context.argCount) return DISP_E_BADPARAMCOUNT;
    if (context.refusedInBrowser()) return E_FAIL;
    XString text;
    if (!xmlTextOfBytes(bytes.value, bytes.isText, text)) return E_OUTOFMEMORY;
    const bool loaded = (self.*Method)(text, true);
    return writeBool(loaded, context.result);
}

// QEncodeContent, BEncodeContent: a string argument is written in the charset that the encoded
// word names, so the label tells the truth; bytes are encoded as they are.
template <class Self, auto Method>
HRESULT callCharsetText(Self &self, CallContext &context) {
    Arg<const XString &> charset;
    Arg<const DataBuffer &> bytes;
    UINT position = 0;
    HRESULT hr = charset.read(context, position);
    if (SUCCEEDED(hr)) hr = bytes.read(context, position);
    if (FAILED(hr)) return hr;
    if (position != context.argCount) return DISP_E_BADPARAMCOUNT;
    if (context.refusedInBrowser()) return E_FAIL;
    if (!bytes.isText) return writeBool((self.*Method)(charset.get(), bytes.value), context.result);
    DataBuffer encoded;
    textInCharset(bytes.value, charset.get(), encoded);
    if (encoded.getSize() == 0 && bytes.value.getSize() != 0) return E_OUTOFMEMORY;
    return writeBool((self.*Method)(charset.get(), encoded), context.result);
}

}  // namespace quorvel::automation
