#pragma once
// The text layer's error that a read ends with, for tests of bad files.
#include <gtest/gtest.h>

#include "textio/text_error.hpp"

namespace tessaro::testing {

// The error `read` throws; a failure of the test (and an error naming no
// file) when it returns instead.
template <class Read>
textio::TextIoError text_error(Read&& read) {
  try {
    read();
  } catch (const textio::TextIoError& e) {
    return e;
  }
  ADD_FAILURE() << "no TextIoError";
  return textio::TextIoError(textio::TextIoError::Kind::BadValue, "", 0);
}

}  // namespace tessaro::testing
