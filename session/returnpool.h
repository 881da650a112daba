#pragma once

#include <atomic>
#include <memory>
#include <vector>

// Objects one thread makes and another hands back when done with them, for the maker to use
// again. Neither thread frees what the other allocated, which would take the maker's allocator
// lock while the maker allocates, and an object used again keeps the room its strings have.
// T has a member m_pNextReturned (T*) for the pool's use. All objects are freed with the pool.
template <typename T> class ReturnPool {
public:
    ReturnPool() = default;
    ReturnPool(const ReturnPool&) = delete;
    ReturnPool& operator=(const ReturnPool&) = delete;

    // On the making thread: an object handed back, else a new one.
    T* Take()
    {
        if (!m_pTaken)
            m_pTaken = m_returned.exchange(nullptr, std::memory_order_acquire);
        if (T* object = m_pTaken) {
            m_pTaken = object->m_pNextReturned;
            return object;
        }
        return m_all.emplace_back(std::make_unique<T>()).get();
    }

    // On the thread that is done with object (the maker's or one other): hands it back.
    void Return(T* object)
    {
        object->m_pNextReturned = m_returned.load(std::memory_order_relaxed);
        while (!m_returned.compare_exchange_weak(object->m_pNextReturned, object,
            std::memory_order_release, std::memory_order_relaxed)) { }
    }

private:
    std::vector<std::unique_ptr<T>> m_all;
    // Handed back, not yet seen by the maker; and those the maker took from there, unused.
    std::atomic<T*> m_returned {nullptr};
    T* m_pTaken = nullptr;
};
