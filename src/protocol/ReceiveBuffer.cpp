#include "ReceiveBuffer.h"

#include "Framing.h"

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
