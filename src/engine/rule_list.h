// rule_list.h
//
// RuleList: the rules of a run in order. A run can keep millions of rules,
// so they live in chunks of 2 MiB (huge pages where the system has them)
// that never move: appending never copies what is held, and a reference to
// a rule stays valid until clear(). Indexing, iteration and size work as
// for a vector.
//
// Thread safety: none; const members may be called from several threads
// while nobody appends.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

#include "engine/huge_pages.h"
#include "engine/rule_record.h"

namespace linkan {

class RuleList {
 public:
  static constexpr std::size_t kChunkRules = kHugePageBytes / sizeof(RuleRecord);

  template <bool kConst>
  class Iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = RuleRecord;
    using difference_type = std::ptrdiff_t;
    using List = std::conditional_t<kConst, const RuleList, RuleList>;
    using reference = std::conditional_t<kConst, const RuleRecord&, RuleRecord&>;
    using pointer = std::conditional_t<kConst, const RuleRecord*, RuleRecord*>;

    Iterator() = default;
    Iterator(List* list, std::size_t at) : list_(list), at_(at) {}
    reference operator*() const { return (*list_)[at_]; }
    pointer operator->() const { return &(*list_)[at_]; }
    reference operator[](difference_type n) const { return (*list_)[Offset(n)]; }
    Iterator& operator++() { return ++at_, *this; }
    Iterator operator++(int) { return Iterator(list_, at_++); }
    Iterator& operator--() { return --at_, *this; }
    Iterator operator--(int) { return Iterator(list_, at_--); }
    Iterator& operator+=(difference_type n) { return at_ = Offset(n), *this; }
    Iterator& operator-=(difference_type n) { return at_ = Offset(-n), *this; }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) {
      return static_cast<difference_type>(a.at_) - static_cast<difference_type>(b.at_);
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.at_ == b.at_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.at_ <=> b.at_; }

   private:
    std::size_t Offset(difference_type n) const {
      return static_cast<std::size_t>(static_cast<difference_type>(at_) + n);
    }
    List* list_ = nullptr;
    std::size_t at_ = 0;
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;
  using value_type = RuleRecord;

  RuleList() = default;
  RuleList(std::initializer_list<RuleRecord> rules) { Append(rules); }
  RuleList(RuleList&&) noexcept = default;
  RuleList& operator=(RuleList&&) noexcept = default;
  RuleList& operator=(std::initializer_list<RuleRecord> rules) {
    clear();
    Append(rules);
    return *this;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() {
    chunks_.clear();
    size_ = 0;
  }

  const RuleRecord& operator[](std::size_t i) const {
    return chunks_[i / kChunkRules].get()[i % kChunkRules];
  }
  RuleRecord& operator[](std::size_t i) { return chunks_[i / kChunkRules].get()[i % kChunkRules]; }
  const RuleRecord& front() const { return (*this)[0]; }
  const RuleRecord& back() const { return (*this)[size_ - 1]; }

  iterator begin() { return iterator(this, 0); }
  iterator end() { return iterator(this, size_); }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size_); }

  void push_back(const RuleRecord& rule) { Append(std::span<const RuleRecord>(&rule, 1)); }
  // Appends `rules` in order.
  void Append(std::span<const RuleRecord> rules) {
    while (!rules.empty()) {
      const std::size_t at = size_ % kChunkRules;
      if (at == 0 && size_ / kChunkRules == chunks_.size()) {
        chunks_.emplace_back(static_cast<RuleRecord*>(MapHugePageBlock(kHugePageBytes)));
      }
      const std::size_t n = std::min(rules.size(), kChunkRules - at);
      RuleRecord* out = chunks_.back().get() + at;
      for (std::size_t k = 0; k < n; ++k) ::new (static_cast<void*>(out + k)) RuleRecord(rules[k]);
      size_ += n;
      rules = rules.subspan(n);
    }
  }

 private:
  // Rules are trivially destructible: a chunk is unmapped as it is.
  struct Unmap {
    void operator()(RuleRecord* chunk) const noexcept { UnmapHugePageBlock(chunk, kHugePageBytes); }
  };
  std::vector<std::unique_ptr<RuleRecord, Unmap>> chunks_;
  std::size_t size_ = 0;
};

}  // namespace linkan
