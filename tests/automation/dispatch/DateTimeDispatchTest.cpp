#include <gtest/gtest.h>

#include "DispatchTestSupport.h"

namespace quorvel::dispatchtest {
namespace {

HRESULT invoke(ClsDateTime &d, FakeServices &s, const char *name, WORD flags, Args &args, VARIANT *result) {
    DISPPARAMS params = args.params();
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }
    return invokeDateTime(d, s, dispidOf(kIQvDateTime, name), flags, &params, result, nullptr, nullptr);
}

TEST(DateTimeDispatch, TheDateTimeMembersReachTheirInternalOperations) {
    ClsDateTime when;
    FakeServices services;
    auto call = [&](const char *name, Args &&args, VARIANT &result) {
        ASSERT_EQ(S_OK, invoke(when, services, name, kGet, args, &result)) << name;
    };
    Var parsed;
    call("setfromrfc822", std::move(Args().str(u"Fri, 21 Mar 2014 09:00:00 GMT")), parsed);
    EXPECT_EQ(VT_I4, parsed.vt);
    EXPECT_EQ(1, parsed.lVal);

    Var ole;
    call("GetAsOleDate", std::move(Args().i4(0)), ole);
    EXPECT_EQ(VT_DATE, ole.vt);
    EXPECT_DOUBLE_EQ(41719.375, ole.date);
    Var unix;
    call("GetAsUnixTime", std::move(Args().str(u"0")), unix);  // bLocal as text, as script hosts may pass it
    EXPECT_EQ(VT_I4, unix.vt);
    EXPECT_EQ(1395392400, unix.lVal);
    Var serialized;
    call("Serialize", Args(), serialized);
    EXPECT_EQ(u"2014 3 21 9 0 0 1", text(serialized));

    Var none;
    call("SetFromOleDate", std::move(Args().boolean(false).date(41720.5)), none);  // a day and 3 hours on
    EXPECT_EQ(VT_EMPTY, none.vt);
    Var added;
    call("AddDays", std::move(Args().i4(-1)), added);
    EXPECT_EQ(1, added.lVal);
    Var rfc;
    call("GetAsRfc822", std::move(Args().i4(0)), rfc);
    EXPECT_EQ(u"Fri, 21 Mar 2014 12:00:00 GMT", text(rfc));

    Var dst;
    call("IsDst", Args(), dst);
    EXPECT_EQ(VT_I4, dst.vt);
    EXPECT_TRUE(dst.lVal == 0 || dst.lVal == 1);
    // IsDst and UtcOffset are read-only.
    Args value;
    value.i4(1);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(when, services, "IsDst", DISPATCH_PROPERTYPUT, value, nullptr));
}

}  // namespace
}  // namespace quorvel::dispatchtest
