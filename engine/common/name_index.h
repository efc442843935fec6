// An index of values by a name each one carries, ignoring ASCII case: open addressing
// over one block of slots, so a lookup costs one hash and about one comparison of names
// however many values there are, and the index is a single allocation. A slot holds the
// value and 32 bits of its name's hash; the name itself, which NameOf reads from the
// value, is looked at only when those match. The index does not own the names; each must
// stay in place while its value is indexed.
#pragma once

#include "engine/common/str.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The hash of a name ignoring ASCII case (FNV-1a over the lower-case bytes).
inline uint64_t Str_CaseHash(const char *name)
{
    uint64_t hash = 14695981039346656037ull;
    for (; *name; ++name)
        hash = (hash ^ static_cast<unsigned char>(Str_ToLowerAscii(*name))) * 1099511628211ull;
    return hash;
}

template <class Value, const char *(*NameOf)(const Value &)> struct NameIndex
{
    struct Slot
    {
        Value value;
        uint32_t tag; // EMPTY, REMOVED, or the low bits of the name's hash
    };
    static constexpr uint32_t EMPTY = 0;
    static constexpr uint32_t REMOVED = 1;

    std::vector<Slot> slots; // a power of two of them, at most half in use
    size_t used = 0;         // slots that are not EMPTY

    // The slot of name, or null.
    Slot *Find(const char *name)
    {
        if (slots.empty())
            return nullptr;
        uint32_t tag = Tag(name);
        size_t mask = slots.size() - 1;
        for (size_t i = tag & mask;; i = (i + 1) & mask)
        {
            Slot &slot = slots[i];
            if (slot.tag == EMPTY)
                return nullptr;
            if (slot.tag == tag && Str_CaseCompare(NameOf(slot.value), name) == 0)
                return &slot;
        }
    }

    // Indexes value under its name; a value of the same name is replaced.
    void Set(const Value &value)
    {
        if ((used + 1) * 2 > slots.size())
            Rebuild(slots.empty() ? 16 : slots.size() * 2);
        const char *name = NameOf(value);
        uint32_t tag = Tag(name);
        size_t mask = slots.size() - 1;
        Slot *free = nullptr;
        for (size_t i = tag & mask;; i = (i + 1) & mask)
        {
            Slot &slot = slots[i];
            if (slot.tag == EMPTY)
            {
                if (free == nullptr)
                {
                    free = &slot;
                    ++used;
                }
                break;
            }
            if (slot.tag == REMOVED)
            {
                if (free == nullptr)
                    free = &slot;
            }
            else if (slot.tag == tag && Str_CaseCompare(NameOf(slot.value), name) == 0)
            {
                free = &slot;
                break;
            }
        }
        *free = Slot{value, tag};
    }

    void Remove(Slot *slot) { slot->tag = REMOVED; }

    // Empties the index and gives its block back.
    void Clear()
    {
        std::vector<Slot>().swap(slots);
        used = 0;
    }

    // Makes room for count names without growing again.
    void Reserve(size_t count)
    {
        size_t size = 16;
        while (size < count * 2)
            size *= 2;
        if (size > slots.size())
            Rebuild(size);
    }

  private:
    static uint32_t Tag(const char *name)
    {
        uint32_t tag = static_cast<uint32_t>(Str_CaseHash(name));
        return tag < 2 ? tag + 2 : tag;
    }

    // Moves the slots in use into a block of size slots; the names are not read again.
    void Rebuild(size_t size)
    {
        std::vector<Slot> old(size, Slot{Value(), EMPTY});
        old.swap(slots);
        used = 0;
        size_t mask = size - 1;
        for (const Slot &slot : old)
        {
            if (slot.tag == EMPTY || slot.tag == REMOVED)
                continue;
            size_t i = slot.tag & mask;
            while (slots[i].tag != EMPTY)
                i = (i + 1) & mask;
            slots[i] = slot;
            ++used;
        }
    }
};
