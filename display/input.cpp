// The input listener list: a singly linked list headed by the newest listener.
#include "display/input.h"

#include "kernel/host/arch.h"

namespace {
input_listener* listeners = nullptr;
}

void input_listener_add(input_listener* listener) {
  bool irq = kiv_arch_interrupt_disable();
  bool listed = false;
  for (input_listener* l = listeners; l; l = l->next) listed = listed || l == listener;
  if (!listed) {
    listener->next = listeners;
    listeners = listener;
  }
  kiv_arch_interrupt_restore(irq);
}

void input_listener_remove(input_listener* listener) {
  bool irq = kiv_arch_interrupt_disable();
  for (input_listener** link = &listeners; *link; link = &(*link)->next) {
    if (*link == listener) {
      *link = listener->next;
      listener->next = nullptr;
      break;
    }
  }
  kiv_arch_interrupt_restore(irq);
}

void input_post(uint8_t kind, const void* event) {
  if (kind >= 8) return;
  bool irq = kiv_arch_interrupt_disable();
  for (input_listener* l = listeners; l; l = l->next) {
    if ((l->mask >> kind) & 1u) l->callback(kind, event);
  }
  kiv_arch_interrupt_restore(irq);
}
