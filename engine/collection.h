// An owning, ordered collection: items are addressed by their 0-based index in
// insertion order, keep stable addresses (other objects refer to them), and
// are only ever removed all together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "errors.h"

namespace vellum {

class TPDFDoc;

template <class Item>
class TCollection {
public:
    explicit TCollection(TPDFDoc* document = nullptr) : Document(document) {}

    // Appends a new item; it receives the next identifier of this collection.
    Item& Add() {
        auto item = std::make_unique<Item>();
        item->Document = Document;
        item->Id = nextId_++;
        items_.push_back(std::move(item));
        return *items_.back();
    }

    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }

    Item& operator[](std::size_t index) { return *items_.at(CheckIndex(index)); }
    const Item& operator[](std::size_t index) const { return *items_.at(CheckIndex(index)); }
    Item& Last() { return (*this)[Count() - 1]; }

    void Clear() { items_.clear(); }

    auto begin() { return Indirect<decltype(items_.begin())>{items_.begin()}; }
    auto end() { return Indirect<decltype(items_.end())>{items_.end()}; }
    auto begin() const { return Indirect<decltype(items_.cbegin())>{items_.cbegin()}; }
    auto end() const { return Indirect<decltype(items_.cend())>{items_.cend()}; }

    TPDFDoc* Document;

private:
    template <class It>
    struct Indirect {
        It it;
        auto& operator*() const { return **it; }
        Indirect& operator++() {
            ++it;
            return *this;
        }
        bool operator!=(const Indirect& other) const { return it != other.it; }
    };

    std::size_t CheckIndex(std::size_t index) const {
        if (index >= items_.size()) {
            throw EngineError("List index out of bounds (" + std::to_string(static_cast<std::int64_t>(index)) +
                              ")");
        }
        return index;
    }

    std::vector<std::unique_ptr<Item>> items_;
    std::int32_t nextId_ = 0;
};

}  // namespace vellum
