#pragma once

namespace quorvel::automation {

// sizeof(MemberSignature<C, R, A...>::of(&C::method)) compiles only when the method, declared in
// C or in a base of C, has exactly the result R and the parameters A... (const or not): the
// member pointer converts from a base class only, never across parameter or result types.
// Used unevaluated (a conversion from a base with virtual members is no constant expression).
template <class C, class R, class... A>
struct MemberSignature {
    static bool of(R (C::*)(A...));
    static bool of(R (C::*)(A...) const);
};

}  // namespace quorvel::automation
