// Writes a document's pieces in order while they are made on several threads: each thread
// makes the next piece not taken yet, then waits for its turn to write it, so that while one
// thread writes, the others make theirs. At most one piece a thread is held.
#pragma once

#include <functional>
#include <string_view>

#include "document_pieces.h"

using WriteBytes = std::function<void(std::string_view)>;

// `threads` counts the calling one, which takes part. An error of a piece or of a write ends
// the writing and is raised here, once every thread has stopped.
ConversionCounts WritePiecesInOrder(const DocumentPieces& pieces, const WriteBytes& write,
                                    unsigned threads);

// As many threads as make the tool faster here: the cores there are, at least two, since
// writing overlaps the making even on one core.
unsigned PieceThreads();
