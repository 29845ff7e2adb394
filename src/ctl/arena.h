// The record arena: owns every control-file record (cursors, columns, clause
// records, process records) for the life of the definitions. Records link to
// each other with plain pointers, so a cursor version may share its parent's
// column list and clause chains, and a copy is a plain struct copy.
#pragma once

#include <memory>
#include <utility>
#include <vector>

class record_arena {
 public:
  // Returns a new value-initialised (zeroed) T owned by the arena; it lives
  // until clear().
  template <class T, class... Args>
  T* make(Args&&... args) {
    T* p = new T{std::forward<Args>(args)...};
    owned_.push_back(holder(p, [](void* v) { delete static_cast<T*>(v); }));
    return p;
  }

  // Releases every record; pointers into the arena dangle afterwards.
  void clear() { owned_.clear(); }

  size_t size() const { return owned_.size(); }

 private:
  using holder = std::unique_ptr<void, void (*)(void*)>;
  std::vector<holder> owned_;
};

// The arena of the cursor definitions (COLLECT.CTL and what start-up derives).
record_arena& cursor_arena();
// The arena of the process definitions (PROCESS.CTL).
record_arena& process_arena();
