#include "ReceiveBuffer.h"

#include "Framing.h"

#include <algorithm>

void ReceiveBuffer::append(QByteArrayView datagram)
{
    compact();
    m_bytes.append(datagram.data(), datagram.size());
}

std::optional<ReceiveBuffer::Packet> ReceiveBuffer::takeNext()
{
    using Status = Framing::CutResult::Status;
    for (;;) {
        const auto cut = Framing::cutNext(QByteArrayView(m_bytes).sliced(m_read));
        m_read += cut.consumed;
        switch (cut.status) {
        case Status::Packet:
            return Packet{cut.word, cut.argument};
        case Status::Dropped:
            ++m_dropped;
            continue;
        case Status::Incomplete:
            capPending();
            return std::nullopt;
        }
    }
}

void ReceiveBuffer::compact()
{
    if (m_read == 0)
        return;
    m_bytes.remove(0, m_read);
    m_read = 0;
}

void ReceiveBuffer::capPending()
{
    compact();
    const qsizetype excess = m_bytes.size() - Framing::MaxPendingBytes;
    if (excess > 0)
        m_bytes.remove(0, excess);
}

ReceiveBuffer& ReceiveBuffers::of(const QString& source)
{
    ++m_uses;
    // A handful of stations talk at a time; a linear look-up beats a hash at these sizes, and
    // the bound keeps it short under any flood.
    for (Slot& slot : m_buffers) {
        if (slot.source == source) {
            slot.lastUse = m_uses;
            return slot.buffer;
        }
    }
    if (m_buffers.size() >= MaxSources) {
        const auto oldest =
            std::min_element(m_buffers.begin(), m_buffers.end(),
                             [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
        *oldest = Slot{source, {}, m_uses};
        return oldest->buffer;
    }
    m_buffers.push_back(Slot{source, {}, m_uses});
    return m_buffers.back().buffer;
}

qsizetype ReceiveBuffers::pendingBytes() const
{
    qsizetype total = 0;
    for (const Slot& slot : m_buffers)
        total += slot.buffer.pendingBytes();
    return total;
}
