#include "tests/automation/com/ComTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace quorvel::comtest {
namespace {

std::string text(const GUID &g) {
    char out[40];
    std::snprintf(out, sizeof out, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.Data1),
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
                  g.Data4[6], g.Data4[7]);
    return out;
}

// The same values the system's headers give in the Windows build.
TEST(ComAbi, InterfaceIdentifiers) {
    struct Row {
        const IID &iid;
        const char *expected;
    };
    const Row rows[] = {
        {IID_IUnknown, "00000000-0000-0000-C000-000000000046"},
        {IID_IDispatch, "00020400-0000-0000-C000-000000000046"},
        {IID_IClassFactory, "00000001-0000-0000-C000-000000000046"},
        {IID_IProvideClassInfo, "B196B283-BAB4-101A-B69C-00AA00341D07"},
        {IID_IProvideClassInfo2, "A6BC3AC0-DBAA-11CE-9DE3-00AA004BB851"},
        {IID_ISupportErrorInfo, "DF0B3D60-548F-101B-8E65-08002B2BD119"},
        {IID_IErrorInfo, "1CF2B120-547D-101B-8E65-08002B2BD119"},
        {IID_IConnectionPointContainer, "B196B284-BAB4-101A-B69C-00AA00341D07"},
        {IID_IConnectionPoint, "B196B286-BAB4-101A-B69C-00AA00341D07"},
        {IID_IEnumConnections, "B196B287-BAB4-101A-B69C-00AA00341D07"},
        {IID_IEnumConnectionPoints, "B196B285-BAB4-101A-B69C-00AA00341D07"},
        {IID_IPropertyNotifySink, "9BFBBC02-EFF1-101A-84ED-00AA00341D07"},
        {IID_IObjectSafety, "CB5BDC81-93C1-11CF-8F20-00805F2CD064"},
        {IID_IOleObject, "00000112-0000-0000-C000-000000000046"},
        {IID_IOleClientSite, "00000118-0000-0000-C000-000000000046"},
        {IID_IServiceProvider, "6D5140C1-7436-11CE-8034-00AA006009FA"},
        {IID_IWebBrowser2, "D30C1661-CDAF-11D0-8A3E-00C04FC9E26E"},
        {SID_SWebBrowserApp, "0002DF05-0000-0000-C000-000000000046"},
        {IID_NULL, "00000000-0000-0000-0000-000000000000"},
    };
    for (const Row &row : rows) EXPECT_EQ(text(row.iid), row.expected);
    EXPECT_TRUE(IsEqualGUID(IID_IUnknown, IID_IUnknown));
    EXPECT_FALSE(IsEqualGUID(IID_IConnectionPoint, IID_IConnectionPointContainer));
}

TEST(ComAbi, ResultCodes) {
    struct Row {
        HRESULT value;
        unsigned expected;
    };
    const Row rows[] = {
        {S_OK, 0},
        {S_FALSE, 1},
        {E_NOTIMPL, 0x80004001},
        {E_NOINTERFACE, 0x80004002},
        {E_POINTER, 0x80004003},
        {E_FAIL, 0x80004005},
        {E_UNEXPECTED, 0x8000FFFF},
        {E_OUTOFMEMORY, 0x8007000E},
        {E_INVALIDARG, 0x80070057},
        {CLASS_E_NOAGGREGATION, 0x80040110},
        {CLASS_E_CLASSNOTAVAILABLE, 0x80040111},
        {REGDB_E_CLASSNOTREG, 0x80040154},
        {CONNECT_E_NOCONNECTION, 0x80040200},
        {CONNECT_E_ADVISELIMIT, 0x80040201},
        {DISP_E_MEMBERNOTFOUND, 0x80020003},
        {DISP_E_PARAMNOTFOUND, 0x80020004},
        {DISP_E_TYPEMISMATCH, 0x80020005},
        {DISP_E_UNKNOWNNAME, 0x80020006},
        {DISP_E_NONAMEDARGS, 0x80020007},
        {DISP_E_BADVARTYPE, 0x80020008},
        {DISP_E_EXCEPTION, 0x80020009},
        {DISP_E_OVERFLOW, 0x8002000A},
        {DISP_E_BADINDEX, 0x8002000B},
        {DISP_E_ARRAYISLOCKED, 0x8002000D},
        {DISP_E_BADPARAMCOUNT, 0x8002000E},
        {TYPE_E_ELEMENTNOTFOUND, 0x8002802B},
    };
    for (const Row &row : rows) EXPECT_EQ(static_cast<unsigned>(row.value), row.expected);
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_EQ(DISPID_PROPERTYPUT, -3);
    EXPECT_EQ(VARIANT_TRUE, -1);
    EXPECT_EQ(VARIANT_FALSE, 0);
    EXPECT_EQ(VT_ARRAY, 0x2000);
    EXPECT_EQ(VT_BYREF, 0x4000);
}

}  // namespace
}  // namespace quorvel::comtest
