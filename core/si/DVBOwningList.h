#pragma once
// The owning pointer lists the SI model is built from: elements stay in the
// order they were put in, and go when the list is emptied or destroyed.
#include <cstddef>
#include <iterator>
#include <list>
#include <memory>

template <class T> class CDVBOwningList
{
    using Items = std::list<std::unique_ptr<T>>;

public:
    // Iterates the elements as plain pointers.
    class Iterator
    {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T**;
        using reference = T*;

        Iterator() = default;
        explicit Iterator(typename Items::const_iterator position)
            : m_position(position)
        {
        }
        T* operator*() const { return m_position->get(); }
        Iterator& operator++()
        {
            ++m_position;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++m_position;
            return before;
        }
        Iterator& operator--()
        {
            --m_position;
            return *this;
        }
        Iterator operator--(int)
        {
            Iterator before = *this;
            --m_position;
            return before;
        }
        bool operator==(const Iterator& other) const { return m_position == other.m_position; }
        typename Items::const_iterator Position() const { return m_position; }

    private:
        typename Items::const_iterator m_position;
    };

    CDVBOwningList() = default;
    CDVBOwningList(const CDVBOwningList&) = delete;
    CDVBOwningList& operator=(const CDVBOwningList&) = delete;
    virtual ~CDVBOwningList() = default;

    Iterator begin() const { return Iterator(m_items.begin()); }
    Iterator end() const { return Iterator(m_items.end()); }
    std::size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }

    T* Append(std::unique_ptr<T> item) { return m_items.emplace_back(std::move(item)).get(); }
    T* InsertBefore(Iterator position, std::unique_ptr<T> item)
    {
        return m_items.emplace(position.Position(), std::move(item))->get();
    }
    // Deletes the element at position and puts item in its place.
    T* Replace(Iterator position, std::unique_ptr<T> item)
    {
        auto mutablePosition = m_items.erase(position.Position(), position.Position());
        *mutablePosition = std::move(item);
        return mutablePosition->get();
    }
    void Remove(Iterator position) { m_items.erase(position.Position()); }
    void DeleteAll() { m_items.clear(); }

private:
    Items m_items;
};
