// build_transaction_database.h
//
// BuildTransactionDatabase: reads every case of the input table once, codes
// its items (item_coder.h), groups them by ID text and time in memory
// (transaction_set.h), renumbers the items in name order (item_remapping.h)
// and stores the records:
// - into an empty store: renumbered in memory, then inserted once each
//   through one writer that commits at the end, on a second thread, while
//   this one builds the enumeration's SequenceDatabase from the same set
//   (engine.builtSequences, which the enumeration of the run takes);
// - into a store that holds records (a project added to): merged into the
//   stored records, then every stored record is renumbered in place; the
//   enumeration reads the store (engine.builtSequences stays null).
// A construction that fails or is cancelled commits no record.
//
// Per case (1 .. ncases, after advancing the progress bar):
// - cancellation or a stopped case read: error("Operation was cancelled");
//   a skipped read skips the case;
// - ID: the ID variable's value (a value equal to its missing-data code
//   skips the case); without an ID variable the case number;
// - time: with `iSingleItemset` MaxSequenceSize x case number; else the time
//   variable's value (its missing-data code or a non-number skips the case;
//   with `iMinMaxFilter` so does a time below MinTime or above MaxTime);
//   else the case number in sequence analysis and 0 in non-sequential
//   analysis;
// - ID text: the ID cell's text, or "%.14e" of the ID value when that text is
//   empty; without an ID variable "%ld" of the case number. A new ID text is
//   appended to the TransactionIdList;
//   (ID texts and item names are limited to kMaxNameLength bytes; after the
//   last case one warning names the variables whose texts were cut, with
//   how many: text_cuts.h)
// - items: go to the group (ID text, time); with `iSingleItemset` each
//   response item k of the case to (ID text, time + k); the non-sequential
//   items to (ID text, 1e20). A group exists only when an item goes into it,
//   so a case without items counts in the list and supports nothing.
// When taxonomies are in use (`taxon` set and a taxonomy table loaded) every
// label of every table joins the dictionary before the renumbering, so a
// parent item is numbered in name order like any other.
//
// The TransactionIdList and the ItemDictionary are continued, not cleared:
// the caller empties both for a new project and loads the project's stored
// ones (under their stored numbers) to add transactions to a project. At
// the end `size` is the length of the whole list.
//
// Timed as "SAL [transaction database construction]", with the renumbering
// nested as "SAL [Item index remapping]".
//
// Thread safety: runs on the analysis thread; starts and joins its writer.
#pragma once

#include <cstddef>

namespace linkan {

class SalEngine;
class TransactionStore;

struct ConstructionOptions {
  // The records are stored portion by portion of more items than this, in
  // the order of transaction_set.h. Tests lower it to see many portions.
  std::size_t handOverThreshold = 1000000;
};

// The time of the non-sequential itemset of every sequence, after any real
// time.
inline constexpr double kNonSequentialTime = 1e20;

// Builds into the engine's open project database.
void BuildTransactionDatabase(SalEngine& engine, const ConstructionOptions& options = {});

// Builds into `store`.
void BuildTransactionDatabase(SalEngine& engine, TransactionStore& store,
                              const ConstructionOptions& options = {});

}  // namespace linkan
