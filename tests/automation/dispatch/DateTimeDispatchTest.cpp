#include <gtest/gtest.h>

#include "DispatchTestSupport.h"

namespace quorvel::dispatchtest {
namespace {

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

    Var none;
    call("SetFromOleDate", std::move(Args().boolean(false).date(41720.5)), none);  // a day and 3 hours on
    EXPECT_EQ(VT_EMPTY, none.vt);
    Var rfc;
    call("GetAsRfc822", std::move(Args().i4(0)), rfc);
    EXPECT_EQ(u"Sat, 22 Mar 2014 12:00:00 GMT", text(rfc));

    // IsDst is read-only.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(when, services, "IsDst", DISPATCH_PROPERTYPUT, Args().i4(1), nullptr));
}

}  // namespace
}  // namespace quorvel::dispatchtest
