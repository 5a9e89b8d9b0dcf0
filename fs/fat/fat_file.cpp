// File data: positioning along the cluster chain, reads and writes. Whole sectors go straight
// between the device and the caller's buffer, a cluster's run at a time; partial sectors pass
// through the cache. A failed read or write leaves the position fields as they were.
#include <cstring>

#include "fs/fat/fat_internal.h"

namespace fat {

uint32_t position_sector(const kiv_fatfs_node_t* n) {
  const kiv_fatfs_info_t* v = n->root;
  return (is_fixed_root(n) ? v->root_sector : cluster_sector(v, n->cur_cluster)) + n->cur_sector;
}

namespace {

// Index of the cluster that holds the byte before `pos` (the first cluster for 0).
uint64_t cluster_index(const kiv_fatfs_info_t* v, uint64_t pos) { return pos ? (pos - 1) / cluster_bytes(v) : 0; }

// ---- positioning -------------------------------------------------------------------------------
struct SeekFrame {
  kiv_fatfs_node_t* node;
  uint64_t offset;
  uint64_t* result;
  uint64_t steps;  // clusters still to walk
  uint32_t cluster;
  bool from_current;
};

void seek_commit(SeekFrame& f) {
  kiv_fatfs_node_t* n = f.node;
  const kiv_fatfs_info_t* v = n->root;
  uint64_t in_cluster = f.offset - cluster_index(v, f.offset) * cluster_bytes(v);
  n->cur_cluster = f.cluster;
  n->cur_sector = static_cast<uint32_t>(in_cluster >> v->sector_bits);
  n->cur_offset = static_cast<uint32_t>(in_cluster & (sector_size(v) - 1));
  *f.result = f.offset;
  finish(KIV_ERR_NONE);
}

void seek_walk(SeekFrame& f) {
  if (f.steps == 0) return seek_commit(f);
  if (fat_get(f.node->root, f.cluster) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void seek_start(SeekFrame& f) {
  kiv_fatfs_node_t* n = f.node;
  const kiv_fatfs_info_t* v = n->root;
  if (is_fixed_root(n)) {
    if (f.offset > static_cast<uint64_t>(v->root_size) << v->sector_bits) return finish(KIV_ERR_INVALID_STATE);
    n->cur_cluster = 0;
    n->cur_sector = static_cast<uint32_t>(f.offset >> v->sector_bits);
    n->cur_offset = static_cast<uint32_t>(f.offset & (sector_size(v) - 1));
    *f.result = f.offset;
    return finish(KIV_ERR_NONE);
  }
  if (n->first_cluster == 0) {
    if (f.offset != 0) return finish(KIV_ERR_INVALID_STATE);
    n->cur_cluster = n->cur_sector = n->cur_offset = 0;
    *f.result = 0;
    return finish(KIV_ERR_NONE);
  }
  uint64_t target = cluster_index(v, f.offset), here = cluster_index(v, n->file.pos);
  f.cluster = n->first_cluster;
  f.steps = target;
  if (f.from_current && n->cur_cluster != 0 && target >= here) {
    f.cluster = n->cur_cluster;
    f.steps = target - here;
  }
  seek_walk(f);
}

void seek_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<SeekFrame>(area);
  if (evt == KIV_EVT_INIT) return seek_start(f);
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (r < 0 || !is_next(f.node->root, static_cast<uint32_t>(r))) return finish(KIV_ERR_INVALID_STATE);
  f.cluster = static_cast<uint32_t>(r);
  f.steps--;
  seek_walk(f);
}

// ---- read and write -------------------------------------------------------------------------
struct RwFrame {
  kiv_fs_rw_param_t p;
  uint32_t done;
  uint32_t remaining;
  uint32_t chunk;  // bytes of the transfer in flight
  uint32_t saved_cluster, saved_sector, saved_offset;
};
enum { RW_NEXT = 0, RW_FIRST, RW_LINK, RW_PART_READ, RW_PART_WRITE, RW_WHOLE, RW_ENTRY };

kiv_fatfs_node_t* node_of(void* area) { return reinterpret_cast<kiv_fatfs_node_t*>(kiv_fs_target(area)); }

void rw_begin(RwFrame& f, kiv_fatfs_node_t* n) {
  f.done = 0;
  f.remaining = f.p.count;
  f.saved_cluster = n->cur_cluster;
  f.saved_sector = n->cur_sector;
  f.saved_offset = n->cur_offset;
}

void rw_fail(RwFrame& f, kiv_fatfs_node_t* n, int code) {
  n->cur_cluster = f.saved_cluster ? f.saved_cluster : n->first_cluster;
  n->cur_sector = f.saved_sector;
  n->cur_offset = f.saved_offset;
  finish(code);
}

void rw_advance(RwFrame& f, kiv_fatfs_node_t* n, uint32_t bytes) {
  const kiv_fatfs_info_t* v = n->root;
  f.done += bytes;
  f.remaining -= bytes;
  uint32_t offset = n->cur_offset + bytes;
  n->cur_sector += offset >> v->sector_bits;
  n->cur_offset = offset & (sector_size(v) - 1);
}

// Starts the next data transfer at the node's position: through the cache for a partial
// sector, straight for the whole sectors left in the cluster.
void rw_transfer(RwFrame& f, kiv_fatfs_node_t* n, bool write) {
  kiv_fatfs_info_t* v = n->root;
  uint32_t sector = position_sector(n);
  uint8_t* at = static_cast<uint8_t*>(f.p.buffer) + f.done;
  int started;
  if (n->cur_offset != 0 || f.remaining < sector_size(v)) {
    f.chunk = sector_size(v) - n->cur_offset;
    if (f.chunk > f.remaining) f.chunk = f.remaining;
    kiv_eda_set_frame_state(RW_PART_READ);
    started = cache_read(&v->cache, sector, 1, nullptr);
  } else {
    uint32_t sectors = f.remaining >> v->sector_bits, room = cluster_sectors(v) - n->cur_sector;
    if (sectors > room) sectors = room;
    f.chunk = sectors << v->sector_bits;
    kiv_eda_set_frame_state(RW_WHOLE);
    started = write ? cache_write(&v->cache, sector, sectors, at) : cache_read(&v->cache, sector, sectors, at);
  }
  if (started < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
}

bool at_cluster_end(const kiv_fatfs_node_t* n) { return n->cur_sector == cluster_sectors(n->root); }

void read_step(RwFrame& f, kiv_fatfs_node_t* n) {
  if (f.remaining == 0) return finish(static_cast<int>(f.done));
  if (n->cur_cluster == 0) return rw_fail(f, n, KIV_ERR_INVALID_STATE);  // data but no cluster
  if (at_cluster_end(n)) {
    kiv_eda_set_frame_state(RW_NEXT);
    if (fat_get(n->root, n->cur_cluster) < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  rw_transfer(f, n, false);
}

void enter_cluster(kiv_fatfs_node_t* n, uint32_t cluster) {
  n->cur_cluster = cluster;
  n->cur_sector = 0;
  n->cur_offset = 0;
}

}  // namespace

int seek_node(kiv_fatfs_node_t* n, uint64_t offset, uint64_t* result) {
  return call(seek_handler, n, SeekFrame{n, offset, result, 0, 0, false});
}

void fat_setpos(void* area, kiv_evt_t evt) {
  auto& p = frame<kiv_fs_setpos_param_t>(area);
  kiv_fatfs_node_t* n = node_of(area);
  if (evt == KIV_EVT_INIT) {
    if (call(seek_handler, n, SeekFrame{n, p.offset, p.result, 0, 0, true}) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    finish(kiv_eda_get_return_value());
  }
}

void fat_read(void* area, kiv_evt_t evt) {
  auto& f = frame<RwFrame>(area);
  kiv_fatfs_node_t* n = node_of(area);
  if (evt == KIV_EVT_INIT) {
    if (n->file.pos >= n->file.size) f.p.count = 0;
    else if (f.p.count > n->file.size - n->file.pos) f.p.count = static_cast<uint32_t>(n->file.size - n->file.pos);
    rw_begin(f, n);
    return read_step(f, n);
  }
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (r < 0) return rw_fail(f, n, KIV_ERR_INVALID_STATE);
  switch (kiv_eda_get_frame_state()) {
    case RW_NEXT:
      if (!is_next(n->root, static_cast<uint32_t>(r))) return rw_fail(f, n, KIV_ERR_INVALID_STATE);
      enter_cluster(n, static_cast<uint32_t>(r));
      break;
    case RW_PART_READ:
      std::memcpy(static_cast<uint8_t*>(f.p.buffer) + f.done, cache_peek(&n->root->cache, position_sector(n)) + n->cur_offset, f.chunk);
      rw_advance(f, n, f.chunk);
      break;
    default:
      rw_advance(f, n, f.chunk);
      break;
  }
  read_step(f, n);
}

// ---- write ------------------------------------------------------------------------------------
namespace {

kiv_fatfs_file_t* file_of(kiv_fatfs_node_t* n) { return reinterpret_cast<kiv_fatfs_file_t*>(n); }

void write_end(RwFrame& f, kiv_fatfs_node_t* n) {
  uint64_t end = n->file.pos + f.done;
  if (end <= n->file.size) return finish(static_cast<int>(f.done));
  kiv_eda_set_frame_state(RW_ENTRY);
  if (entry_rewrite(file_of(n), static_cast<uint32_t>(end), n->first_cluster) < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void write_step(RwFrame& f, kiv_fatfs_node_t* n) {
  if (f.remaining == 0) return write_end(f, n);
  if (n->first_cluster == 0) {
    kiv_eda_set_frame_state(RW_FIRST);
    if (fat_alloc(n->root, 0) < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  if (at_cluster_end(n)) {
    kiv_eda_set_frame_state(RW_NEXT);
    if (fat_get(n->root, n->cur_cluster) < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  rw_transfer(f, n, true);
}

// At the end of a cluster: follow the chain, or grow it past the end of the file. A chain that
// stops inside the file, or holds a value that is neither a cluster nor an end mark, is corrupted.
void write_next(RwFrame& f, kiv_fatfs_node_t* n, uint32_t value) {
  if (is_next(n->root, value)) return enter_cluster(n, value), write_step(f, n);
  if (is_end(n->root, value) && n->file.pos + f.done >= n->file.size) {
    kiv_eda_set_frame_state(RW_LINK);
    if (fat_alloc(n->root, n->cur_cluster) < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  kiv_trace(KIV_TRACE_WARNING, "fatfs: corrupted file %s\r\n", n->file.name);
  rw_fail(f, n, KIV_ERR_INVALID_STATE);
}

void write_return(RwFrame& f, kiv_fatfs_node_t* n, int r) {
  switch (kiv_eda_get_frame_state()) {
    case RW_FIRST:
      n->first_cluster = static_cast<uint32_t>(r);
      enter_cluster(n, n->first_cluster);
      return write_step(f, n);
    case RW_LINK:
      enter_cluster(n, static_cast<uint32_t>(r));
      return write_step(f, n);
    case RW_NEXT:
      return write_next(f, n, static_cast<uint32_t>(r));
    case RW_PART_READ: {
      uint8_t* cached = cache_peek(&n->root->cache, position_sector(n));
      std::memcpy(cached + n->cur_offset, static_cast<uint8_t*>(f.p.buffer) + f.done, f.chunk);
      kiv_eda_set_frame_state(RW_PART_WRITE);
      if (cache_write(&n->root->cache, position_sector(n), 1, cached) < 0) rw_fail(f, n, KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    }
    case RW_ENTRY:
      n->file.size = n->file.pos + f.done;
      return finish(static_cast<int>(f.done));
    default:
      rw_advance(f, n, f.chunk);
      return write_step(f, n);
  }
}

}  // namespace

void fat_write(void* area, kiv_evt_t evt) {
  auto& f = frame<RwFrame>(area);
  kiv_fatfs_node_t* n = node_of(area);
  if (evt == KIV_EVT_INIT) {
    if (is_dir(n)) return finish(KIV_ERR_INVALID_ACCESS);
    if (n->file.pos + f.p.count > 0xFFFFFFFFull) return finish(KIV_ERR_INVALID_STATE);  // beyond FAT's 4 GiB
    rw_begin(f, n);
    return write_step(f, n);
  }
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (r < 0) return rw_fail(f, n, KIV_ERR_INVALID_STATE);
  write_return(f, n, r);
}

static_assert(sizeof(RwFrame) - sizeof(kiv_fs_rw_param_t) <= kRwFramePrivate);
static_assert(sizeof(SeekFrame) <= 0xFFFF);

}  // namespace fat
