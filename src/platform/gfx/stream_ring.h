// The GL backend's streaming and state-shadow bookkeeping, kept free of GL so it can be
// tested on its own: where each draw's bytes go in the stream buffers, and which values the
// driver already holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// A buffer filled range after range. A draw that does not fit behind the last one starts the
// buffer over at 0 on new storage (the old storage stays with the draws that read it), so no
// range is written while the driver may still read it, and no draw allocates but a wrap.
class GfxStreamRing {
public:
    explicit GfxStreamRing(size_t capacity) : capacity_(capacity ? capacity : 1) {}

    // Offset of `bytes` bytes at a multiple of `align`. *orphan: the buffer needs new storage of
    // Capacity() bytes before this range is written (the first use, a wrap, or a draw larger
    // than the buffer, which grows it).
    size_t Place(size_t bytes, size_t align, bool* orphan)
    {
        align = align ? align : 1;
        size_t at = (next_ + align - 1) / align * align;
        *orphan = !allocated_;
        if (bytes > capacity_) {
            while (capacity_ < bytes)
                capacity_ *= 2;
            *orphan = true;
        }
        if (*orphan || at + bytes > capacity_) {
            if (allocated_)
                ++wraps_;
            *orphan = true;
            allocated_ = true;
            at = 0;
        }
        next_ = at + bytes;
        return at;
    }
    size_t Capacity() const { return capacity_; }
    // Times the buffer got new storage after its first.
    unsigned Wraps() const { return wraps_; }

private:
    size_t capacity_;
    size_t next_ = 0;
    unsigned wraps_ = 0;
    bool allocated_ = false;
};

// The values last sent to the driver, by slot: a state goes out only when it differs.
class GfxSentStates {
public:
    // True, and the value kept, when the bytes differ from what the slot holds (or it holds
    // nothing known).
    bool Differs(unsigned slot, const void* value, size_t bytes)
    {
        if (slot >= slots_.size())
            slots_.resize(slot + 1);
        Slot& s = slots_[slot];
        if (s.known && s.bytes.size() == bytes && std::memcmp(s.bytes.data(), value, bytes) == 0)
            return false;
        s.bytes.assign((const uint8_t*)value, (const uint8_t*)value + bytes);
        s.known = true;
        ++sent_;
        return true;
    }
    bool Differs(unsigned slot, uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0)
    {
        const uint32_t v[4] = {a, b, c, d};
        return Differs(slot, v, sizeof v);
    }
    // The slot holds exactly this single value.
    bool Holds(unsigned slot, uint32_t a) const
    {
        const uint32_t v[4] = {a, 0, 0, 0};
        return slot < slots_.size() && slots_[slot].known && slots_[slot].bytes.size() == sizeof v &&
               std::memcmp(slots_[slot].bytes.data(), v, sizeof v) == 0;
    }
    // The driver changed the slot by itself (a deleted object unbinds).
    void Assume(unsigned slot, uint32_t a) { (void)Differs(slot, a); --sent_; }
    // Nothing known for the slot: the next value goes whatever it is.
    void Forget(unsigned slot)
    {
        if (slot < slots_.size())
            slots_[slot].known = false;
    }
    // Nothing known: a new context.
    void ForgetAll()
    {
        for (Slot& s : slots_)
            s.known = false;
    }
    // Values let through since the start.
    unsigned long Sent() const { return sent_; }

private:
    struct Slot {
        std::vector<uint8_t> bytes;
        bool known = false;
    };
    std::vector<Slot> slots_;
    unsigned long sent_ = 0;
};
