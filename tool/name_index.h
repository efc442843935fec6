// An index of values by a name each one carries, ignoring ASCII case: open addressing
// over one block of slots, so a lookup costs one hash and about one comparison of names
// however many values there are, and the index is a single allocation. The index does
// not own the names; each must stay in place while its value is indexed.
#pragma once

#include "engine/common/str.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The hash of a name ignoring ASCII case (FNV-1a over the lower-case bytes).
inline uint64_t Tool_NameHash(const char *name)
{
    uint64_t hash = 14695981039346656037ull;
    for (; *name; ++name)
        hash = (hash ^ static_cast<unsigned char>(Str_ToLowerAscii(*name))) * 1099511628211ull;
    return hash;
}

template <class Value> struct NameIndex
{
    struct Slot
    {
        const char *name; // null: never used; removedName: emptied
        Value value;
    };
    std::vector<Slot> slots; // a power of two of them, at most half in use
    size_t used = 0;         // slots that are not null (indexed or emptied)

    static const char *RemovedName()
    {
        static const char removed = 0;
        return &removed;
    }

    // The slot of name, or null.
    Slot *Find(const char *name)
    {
        if (slots.empty())
            return nullptr;
        size_t mask = slots.size() - 1;
        for (size_t i = static_cast<size_t>(Tool_NameHash(name)) & mask;; i = (i + 1) & mask)
        {
            Slot &slot = slots[i];
            if (slot.name == nullptr)
                return nullptr;
            if (slot.name != RemovedName() && Str_CaseCompare(slot.name, name) == 0)
                return &slot;
        }
    }

    // Indexes value under name; an entry of the same name takes the new name and value.
    void Set(const char *name, Value value)
    {
        if ((used + 1) * 2 > slots.size())
            Grow();
        size_t mask = slots.size() - 1;
        Slot *free = nullptr;
        for (size_t i = static_cast<size_t>(Tool_NameHash(name)) & mask;; i = (i + 1) & mask)
        {
            Slot &slot = slots[i];
            if (slot.name == nullptr)
            {
                if (free == nullptr)
                {
                    free = &slot;
                    ++used;
                }
                break;
            }
            if (slot.name == RemovedName())
            {
                if (free == nullptr)
                    free = &slot;
            }
            else if (Str_CaseCompare(slot.name, name) == 0)
            {
                free = &slot;
                break;
            }
        }
        *free = Slot{name, value};
    }

    void Remove(Slot *slot) { slot->name = RemovedName(); }

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
    void Grow() { Rebuild(slots.empty() ? 16 : slots.size() * 2); }

    void Rebuild(size_t size)
    {
        std::vector<Slot> old(size, Slot{nullptr, Value()});
        old.swap(slots);
        used = 0;
        size_t mask = size - 1;
        for (const Slot &slot : old)
        {
            if (slot.name == nullptr || slot.name == RemovedName())
                continue;
            size_t i = static_cast<size_t>(Tool_NameHash(slot.name)) & mask;
            while (slots[i].name != nullptr)
                i = (i + 1) & mask;
            slots[i] = slot;
            ++used;
        }
    }
};
