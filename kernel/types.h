// Kernel-wide types: return codes, event codes and the intrusive lists every record embeds.
// Nothing here blocks or allocates. Usable from any context.
#pragma once

#include <cstddef>
#include <cstdint>

using kiv_err_t = int;
inline constexpr kiv_err_t KIV_ERR_NONE = 0;
inline constexpr kiv_err_t KIV_ERR_NOT_READY = 1;
inline constexpr kiv_err_t KIV_ERR_FAIL = -1;
inline constexpr kiv_err_t KIV_ERR_NOT_SUPPORT = -2;
inline constexpr kiv_err_t KIV_ERR_INVALID_PARAMETER = -4;
inline constexpr kiv_err_t KIV_ERR_NOT_ACCESSIBLE = -5;
inline constexpr kiv_err_t KIV_ERR_NOT_ENOUGH_RESOURCES = -6;
inline constexpr kiv_err_t KIV_ERR_INVALID_STATE = -7;
inline constexpr kiv_err_t KIV_ERR_INVALID_ACCESS = -8;
inline constexpr kiv_err_t KIV_ERR_ALREADY_EXISTS = -13;
inline constexpr kiv_err_t KIV_ERR_OVERRUN = -15;
inline constexpr kiv_err_t KIV_ERR_STACK_TOO_SMALL = -17;
inline constexpr kiv_err_t KIV_ERR_STACK_MISALIGNED = -18;

using kiv_evt_t = int16_t;
inline constexpr kiv_evt_t KIV_EVT_YIELD = 0x0001;
inline constexpr kiv_evt_t KIV_EVT_INIT = 0x0101;
inline constexpr kiv_evt_t KIV_EVT_RETURN = 0x0104;
inline constexpr kiv_evt_t KIV_EVT_TIMER = 0x0105;
inline constexpr kiv_evt_t KIV_EVT_SYNC = 0x0106;
inline constexpr kiv_evt_t KIV_EVT_SYNC_CANCEL = 0x0107;
inline constexpr kiv_evt_t KIV_EVT_MESSAGE = 0x0109;
inline constexpr kiv_evt_t KIV_EVT_USER = 0x010A;

// A link embedded in a queued record. Removal clears it, so "is linked" is a null test.
struct kiv_list_node_t {
  kiv_list_node_t* next = nullptr;
  kiv_list_node_t* prev = nullptr;
};

// Head of a doubly linked queue: append at the tail, take from the head.
struct kiv_queue_t {
  kiv_list_node_t* first = nullptr;
  kiv_list_node_t* last = nullptr;

  bool empty() const { return first == nullptr; }
  // Whether `n` is linked here, for a node that can only ever be linked in this queue.
  bool holds(const kiv_list_node_t* n) const {
    return n->prev != nullptr || n->next != nullptr || first == n;
  }
  void append(kiv_list_node_t* n) {
    n->next = nullptr;
    n->prev = last;
    if (last) last->next = n; else first = n;
    last = n;
  }
  void insert_before(kiv_list_node_t* pos, kiv_list_node_t* n) {
    if (!pos) { append(n); return; }
    n->next = pos;
    n->prev = pos->prev;
    if (pos->prev) pos->prev->next = n; else first = n;
    pos->prev = n;
  }
  void remove(kiv_list_node_t* n) {
    if (n->prev) n->prev->next = n->next; else first = n->next;
    if (n->next) n->next->prev = n->prev; else last = n->prev;
    n->next = n->prev = nullptr;
  }
  kiv_list_node_t* take_first() {
    kiv_list_node_t* n = first;
    if (n) remove(n);
    return n;
  }
};

// The record of type `type` that embeds `node` as its member `member` (null stays null).
#define KIV_CONTAINER_OF(node, type, member) \
  ((node) ? reinterpret_cast<type*>(reinterpret_cast<char*>(node) - offsetof(type, member)) : nullptr)
