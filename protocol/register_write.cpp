#include "protocol/register_write.h"

namespace tensilo::protocol {

std::array<RegisterWrite, 3> GainSelectionWrites(Channel channel, int k) {
    const GainItem item = SplitItem(k);
    const ExponentSplit split = SplitExponent(item.GainExponent);
    const ChannelRegisters registers = RegistersOf(channel);
    return {{
        {registers.code, CodeRegisterValue(split.GainCode)},
        {registers.shift, split.GainShift},
        {registers.fine, item.FineGain},
    }};
}

bool FillRegisterWrite(std::span<std::uint8_t> report, RegisterWrite write) {
    if (report.size() < kRegisterWriteMinLength)
        return false;
    report[0] = 0;
    report[1] = kWriteRegisterCommand;
    report[2] = write.reg;
    report[3] = write.value;
    return true;
}

} // namespace tensilo::protocol
