#include "link/PollProgramme.h"

#include <array>

#include "link/Commands.h"
#include "link/ReceiverLink.h"

namespace zr {

namespace {

// The rings hold pointers: the descriptors live as long as the program.
struct RingDescriptors {
    CommandDesc f0 = MakeCommand(kF0);
    CommandDesc f6 = MakeCommand(kF6);
    std::array<CommandDesc, kFbsFilterCount> f5{};
    RingDescriptors()
    {
        for (int n = 1; n <= kFbsFilterCount; ++n)
            f5[static_cast<std::size_t>(n - 1)] = MakeF5(n);
    }
};

const RingDescriptors& Descriptors()
{
    static const RingDescriptors d;
    return d;
}

} // namespace

void ApplyPollProgramme(CReceiverLink& link, const PollProgramme& programme)
{
    const RingDescriptors& d = Descriptors();
    link.SetPollCommand(MakeCommand(programme.pollKind));
    switch (programme.ring) {
    case PollRing::None:
        link.ClearSendRing();
        break;
    case PollRing::Fbs: {
        std::vector<const CommandDesc*> pool;
        for (const CommandDesc& f5 : d.f5)
            pool.push_back(&f5);
        link.SetRotationPool(std::move(pool));
        link.SetPollRing(&d.f0);
        break;
    }
    case PollRing::IdView:
        link.SetRotationPool({&d.f6});
        link.SetPollRing(&d.f0);
        break;
    }
}

} // namespace zr
