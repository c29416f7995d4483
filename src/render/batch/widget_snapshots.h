// Change detection of the widgets a batch holds: a snapshot of the fields, arrays and strings a
// widget's description follows from, kept for the classes whose description can be kept while the
// widget stays as it is (labels, buttons, sliders), all in one store.
#pragma once

#include <vrtools/tools.h>

#include <cstddef>
#include <vector>

namespace core {

// Which fields a class's description follows from: none (described every frame), the base
// record's, or those and a button's or a slider's own.
enum class Snapshot_Fields : unsigned char { NONE, TOOL, BUTTON, VALUATOR };

// Where an entry's snapshot lies in the batch's snapshot store; `size` 0: none taken.
struct Snapshot_Span {
    std::size_t at = 0;
    std::size_t size = 0;
    std::size_t room = 0;
};

// A widget with its snapshot, as a batch's entry holds it.
struct Snapshot_Subject {
    VR_Tools* widget = nullptr;
    Snapshot_Fields fields = Snapshot_Fields::NONE;
    // What the widget's last description followed from (Widget_Snapshots::Matches); none when it
    // must be described again.
    Snapshot_Span snapshot;
};

// Every entry's snapshot in one store, so that thousands of widgets described at Init cost no
// allocation each. A snapshot that grows moves to the end; the room it leaves is taken back when
// it is half the store.
class Widget_Snapshots {
public:
    // Forgets every snapshot; the store keeps its memory.
    template <class Entries>
    void Reset(Entries& entries, std::size_t expected_bytes)
    {
        for (auto& e : entries)
            e.snapshot = Snapshot_Span{};
        store_.clear();
        unused_ = 0;
        store_.reserve(expected_bytes);
    }

    // Whether the widget is as it was when its snapshot was taken.
    bool Matches(const Snapshot_Subject& e) const;
    // Asks for every line Matches reads of the entry's snapshot and of its widget's record.
    void Prefetch(const Snapshot_Subject& e) const;
    // Asks for the strings the widget points to, once Prefetch's lines of its record have come.
    static void Prefetch_Strings(const Snapshot_Subject& e);

    // Forgets the entry's snapshot: a description cut short (out of memory) is made again.
    static void Forget(Snapshot_Subject& e) { e.snapshot.size = 0; }

    // The entry leaves the batch: its room is taken back at the next compaction.
    void Drop(const Snapshot_Subject& e) { unused_ += e.snapshot.room; }

    // Takes the entry's snapshot as the widget is now, in its room or at the end of the store.
    template <class Entries>
    void Take(Entries& entries, Snapshot_Subject& e)
    {
        if (e.fields == Snapshot_Fields::NONE)
            return;
        const std::size_t size = Size_Of(e);
        Snapshot_Span& span = e.snapshot;
        span.size = 0;
        if (size > span.room) {
            if (unused_ + span.room > store_.size() / 2 && store_.size() > 4096)
                Compact(entries);
            unused_ += span.room;
            span.at = store_.size();
            span.room = 0;
            store_.resize(store_.size() + size);
            span.room = size;
        }
        Write_At(e, store_.data() + span.at);
        span.size = size;
    }

private:
    // The bytes of the widget's snapshot now, and the snapshot written at `out`.
    static std::size_t Size_Of(const Snapshot_Subject& e);
    static void Write_At(const Snapshot_Subject& e, unsigned char* out);

    // Moves every snapshot to the front, in the entries' order, each with room for itself only.
    template <class Entries>
    void Compact(Entries& entries)
    {
        std::vector<unsigned char> packed;
        packed.reserve(store_.size() - unused_);
        for (auto& e : entries) {
            Snapshot_Span& span = e.snapshot;
            const std::size_t at = packed.size();
            packed.insert(packed.end(), store_.begin() + static_cast<long>(span.at),
                          store_.begin() + static_cast<long>(span.at + span.size));
            span = Snapshot_Span{at, span.size, span.size};
        }
        store_.swap(packed);
        unused_ = 0;
    }

    std::vector<unsigned char> store_;
    std::size_t unused_ = 0;  // bytes of the store no entry holds
};

}  // namespace core
