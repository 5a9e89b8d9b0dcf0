// The input listener list: newest first, each listener only gets the kinds of its mask.
#include <gtest/gtest.h>

#include <string>

#include "display/input.h"

namespace {

std::string calls;

template <char Name>
void record(uint8_t kind, const void* event) {
  calls += Name;
  calls += std::to_string(kind);
  calls += static_cast<const char*>(event);
  calls += ' ';
}

TEST(InputListeners, PostReachesMatchingListenersNewestFirst) {
  input_listener touch_only{nullptr, record<'t'>, 1u << INPUT_KIND_TOUCH};
  input_listener both{nullptr, record<'b'>, (1u << INPUT_KIND_TOUCH) | (1u << INPUT_KIND_KEY)};
  input_listener key_only{nullptr, record<'k'>, 1u << INPUT_KIND_KEY};
  input_listener_add(&touch_only);
  input_listener_add(&both);
  input_listener_add(&key_only);
  input_listener_add(&both);  // already listed: stays where it is
  calls.clear();
  input_post(INPUT_KIND_KEY, "K");
  input_post(INPUT_KIND_TOUCH, "T");
  input_post(3, "X");
  EXPECT_EQ(calls, "k5K b5K b4T t4T ");

  input_listener_remove(&both);
  calls.clear();
  input_post(INPUT_KIND_KEY, "K");
  input_post(INPUT_KIND_TOUCH, "T");
  EXPECT_EQ(calls, "k5K t4T ");
  input_listener_remove(&key_only);
  input_listener_remove(&touch_only);
  calls.clear();
  input_post(INPUT_KIND_KEY, "K");
  EXPECT_EQ(calls, "");
}

}  // namespace
