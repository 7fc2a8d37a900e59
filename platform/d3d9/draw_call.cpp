#include "platform/d3d9/draw_call.h"

#include <algorithm>
#include <barrier>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/d3d9/block_rasterizer.h"
#include "platform/d3d9/output_merger.h"
#include "platform/d3d9/pixel_stage.h"
#include "platform/d3d9/rasterizer.h"
#include "platform/d3d9/raw_bits.h"
#include "platform/d3d9/texture_sampler.h"
#include "platform/d3d9/vertex_stage.h"

namespace platform::d3d9 {
namespace {

// Below this many pixels of primitive bounds a draw is rasterised on the calling thread.
constexpr std::uint64_t kParallelPixels = 32768;
// Triangle lists at least this long are assembled by all the workers.
constexpr std::size_t kParallelTriangles = 1024;
// Index ranges wider than this (relative to the index count) are processed per index.
constexpr std::uint64_t kDenseRangeSlack = 4096;

// Planes 0-5 bound the view volume; plane kUserPlane + k is user clip plane k.
constexpr int kUserPlane = 6;

// Signed distance of a vertex to a clipping plane; negative outside.
float planeDistance(const ShadedVertex& v, int plane) {
  const Vec4& p = v.position;
  switch (plane) {
    case 0: return p[3] + p[0];
    case 1: return p[3] - p[0];
    case 2: return p[3] + p[1];
    case 3: return p[3] - p[1];
    case 4: return p[2];
    case 5: return p[3] - p[2];
    default: return v.clipDistances[static_cast<std::size_t>(plane - kUserPlane)];
  }
}

// The planes a draw clips against: the view volume's, then the enabled user planes.
struct ClipPlanes {
  std::array<int, 6 + kClipPlaneCount> planes{};
  int count = 0;
};

ShadedVertex lerpVertex(const ShadedVertex& a, const ShadedVertex& b, float t, std::uint32_t usedSlots) {
  ShadedVertex out;
  for (int c = 0; c < 4; ++c) {
    auto i = static_cast<std::size_t>(c);
    out.position[i] = a.position[i] + (b.position[i] - a.position[i]) * t;
  }
  for (std::uint32_t slots = usedSlots; slots; slots &= slots - 1) {
    auto si = static_cast<std::size_t>(__builtin_ctz(slots));
    for (int c = 0; c < 4; ++c) {
      auto i = static_cast<std::size_t>(c);
      out.varyings[si][i] = a.varyings[si][i] + (b.varyings[si][i] - a.varyings[si][i]) * t;
    }
  }
  for (std::size_t k = 0; k < out.clipDistances.size(); ++k)
    out.clipDistances[k] = a.clipDistances[k] + (b.clipDistances[k] - a.clipDistances[k]) * t;
  out.pointSize = a.pointSize;
  return out;
}

bool finitePosition(const ShadedVertex& v) {
  return std::isfinite(v.position[0]) && std::isfinite(v.position[1]) && std::isfinite(v.position[2]) &&
         std::isfinite(v.position[3]);
}

// Clips the convex polygon in `polygon` to the planes, in place; the result may be empty.
// `scratch` holds each plane's output on the way: both keep their room from one triangle to
// the next.
void clipPolygon(std::vector<ShadedVertex>& polygon, std::vector<ShadedVertex>& scratch, const ClipPlanes& planes,
                 std::uint32_t usedSlots) {
  for (int p = 0; p < planes.count && !polygon.empty(); ++p) {
    int plane = planes.planes[static_cast<std::size_t>(p)];
    scratch.clear();
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const ShadedVertex& a = polygon[i];
      const ShadedVertex& b = polygon[(i + 1) % polygon.size()];
      float da = planeDistance(a, plane);
      float db = planeDistance(b, plane);
      if (da >= 0) scratch.push_back(a);
      if ((da >= 0) != (db >= 0)) scratch.push_back(lerpVertex(a, b, da / (da - db), usedSlots));
    }
    polygon.swap(scratch);
  }
}

// Vertices that stay where they are while more are added (primitives point into them), kept in
// chunks: a deque of vertices this size would allocate one at a time.
class StableVertices {
 public:
  ShadedVertex& push_back(const ShadedVertex& v) {
    if (chunks_.empty() || used_ == kChunk) {
      chunks_.push_back(std::make_unique<std::array<ShadedVertex, kChunk>>());
      used_ = 0;
    }
    ShadedVertex& slot = (*chunks_.back())[used_++];
    slot = v;
    return slot;
  }
  std::size_t size() const { return chunks_.empty() ? 0 : (chunks_.size() - 1) * kChunk + used_; }
  ShadedVertex& operator[](std::size_t i) { return (*chunks_[i / kChunk])[i % kChunk]; }
  ShadedVertex& back() { return (*this)[size() - 1]; }

 private:
  static constexpr std::size_t kChunk = 32;
  std::vector<std::unique_ptr<std::array<ShadedVertex, kChunk>>> chunks_;
  std::size_t used_ = 0;
};

// Shades and merges what the rasterisers emit: 2x2 quads, or pixel blocks for the draws the
// block path takes.
class Worker final : public QuadSink, public BlockSink {
 public:
  Worker(PixelStage& stage, OutputMerger& merger) : stage_(stage), merger_(merger) {}
  void quad(QuadInput& q) override {
    stage_.shade(q, &out_);
    merger_.merge(q, out_);
  }
  void blocks(BlockBatch& batch) override {
    if (batch.count == 0) return;
    const LanePacking* packing = stage_.shadeBlocks(batch, color_.get());
    merger_.mergeBlocks(batch, *color_, packing);
    batch.count = 0;
  }
  // Where the block rasteriser gathers blocks; hand it to `blocks` after the last triangle.
  BlockBatch& batch() { return *batch_; }

 private:
  PixelStage& stage_;
  OutputMerger& merger_;
  QuadOutput out_;
  // Kilobytes each, so on the heap rather than a worker thread's stack.
  std::unique_ptr<BlockBatch> batch_ = std::make_unique<BlockBatch>();
  std::unique_ptr<BatchColor> color_ = std::make_unique<BatchColor>();
};

class Draw final : public PreparedDraw {
  struct LineItem {
    ScreenVertex a, b;
    bool lastPixel;
  };
  struct PointItem {
    ScreenVertex v;
    float size;
  };
  // What assembling a run of primitives gives, in draw order: the vertices clipping and point
  // sprites make (the items point into them), and the primitives to rasterise.
  struct Primitives {
    StableVertices clipped;
    std::vector<ShadedVertex> polygon, polygonScratch;  // clipping's working room
    std::vector<TriangleSetup> triangles;
    std::vector<LineItem> lines;
    std::vector<PointItem> points;
    std::uint64_t area = 0;  // of the triangles' bounding boxes, in pixels
  };

 public:
  // `keepState`: the draw is rendered later, so it works from a copy of the state.
  Draw(const DeviceState& state, const DrawTargets& targets, const DrawRequest& request, bool keepState)
      : state_(keepState ? snapshot_.emplace(state) : state), targets_(targets), request_(request) {}

  // Everything up to rasterisation: binds the stages, processes the vertices and sets up the
  // primitives. `ready()` tells afterwards whether there is anything to rasterise.
  HRESULT prepare() {
    if (!bindStreams()) return D3D_OK;
    bindSamplers();
    if (!vertexStage_.bind(state_, streams_, &vertexSamplers_, targets_.fastPaths)) return D3DERR_INVALIDCALL;
    bindClipping();
    PixelStage probe;
    if (!probe.bind(state_, &pixelSamplers_, vertexStage_.varyings())) return D3DERR_INVALIDCALL;
    usedSlots_ = probe.usedSlots();
    whiteSlots_ = vertexStage_.whiteSlots();
    // ps_3_0 shaders do their own fog.
    const ShaderProgram* pixelProgram = state_.pixelShader ? state_.pixelShader->program() : nullptr;
    fog_ = state_.renderStates[D3DRS_FOGENABLE] && !(pixelProgram && pixelProgram->major >= 3);
    if (fog_) usedSlots_ |= 1u << kFogSlot;
    if (!gatherIndices()) return D3D_OK;
    // Room for every triangle up front, and for the few more that clipping makes, within reason.
    const std::size_t expected = std::min<std::size_t>(request_.primitiveCount, 1u << 16);
    parts_.front().triangles.reserve(expected + expected / 4 + 16);
    prepareCache();
    if (!assembleInParts()) {
      if (dense_) processVertices(vertexStage_, referencedSlots());
      assemble(parts_.front());
    }
    vertexStage_.finishProcessing();
    ready_ = true;
    return D3D_OK;
  }
  bool ready() const { return ready_; }

  void render(const DrawVisibility& visibility) override {
    if (ready_) rasterize(visibility);
  }

  DrawCoverage coverage() override {
    DrawCoverage coverage;
    if (!ready_ || !targets_.renderTarget) return coverage;
    for (const Primitives& part : parts_) coverage.triangles.emplace_back(part.triangles);
    coverage.region = targetRegion();
    PixelStage stage;
    OutputMerger merger;
    bindPixelWork(stage, merger);
    coverage.depthFormat = merger.integerDepth();
    coverage.writesDepth = merger.writesDepth();
    coverage.knownDepth = !stage.writesDepth();
    coverage.linesOrPoints = hasLinesOrPoints();
    coverage.depthPasses = merger.depthPasses();
    coverage.paintsOver = merger.paintsOver() && coverage.knownDepth && !coverage.linesOrPoints && !stage.mayKill();
    coverage.gathersBlocks = takesBlocks(stage, merger) && stage.lanesAlone() && blockTriangles();
    gatheredTriangles_.clear();
    if (coverage.gathersBlocks) {
      for (const Primitives& part : parts_) {
        for (const TriangleSetup& t : part.triangles) gatheredTriangles_.push_back(&t);
      }
    }
    return coverage;
  }

  std::size_t heldBytes() const override {
    std::size_t bytes = sizeof *this + cache_.capacity() * sizeof(ShadedVertex);
    for (const Primitives& part : parts_) {
      bytes += part.clipped.size() * sizeof(ShadedVertex) + part.triangles.capacity() * sizeof(TriangleSetup) +
               part.lines.capacity() * sizeof(LineItem) + part.points.capacity() * sizeof(PointItem);
    }
    return bytes;
  }

 private:
  void bindClipping() {
    clipPlanes_ = {};
    for (int plane = 0; plane < 6; ++plane) clipPlanes_.planes[static_cast<std::size_t>(clipPlanes_.count++)] = plane;
    for (UINT k = 0; k < kClipPlaneCount; ++k) {
      if (vertexStage_.userClipPlanes() & (1u << k)) {
        clipPlanes_.planes[static_cast<std::size_t>(clipPlanes_.count++)] = kUserPlane + static_cast<int>(k);
      }
    }
    depthBias_ = floatFromBits(state_.renderStates[D3DRS_DEPTHBIAS]);
    slopeScaledDepthBias_ = floatFromBits(state_.renderStates[D3DRS_SLOPESCALEDEPTHBIAS]);
  }

  bool bindStreams() {
    if (request_.userVertices) {
      streams_[0] = {static_cast<const std::byte*>(request_.userVertices),
                     std::size_t{request_.userVertexCount} * request_.userStride, request_.userStride};
      return true;
    }
    for (UINT s = 0; s < kStreamCount; ++s) {
      const StreamSource& source = state_.streams[s];
      if (!source.buffer) continue;
      const auto& bytes = source.buffer->store().bytes();
      if (source.offset >= bytes.size()) continue;
      streams_[s] = {bytes.data() + source.offset, bytes.size() - source.offset, source.stride};
    }
    return true;
  }

  void bindSamplers() {
    for (UINT s = 0; s < 16; ++s) {
      pixelSamplers_.pixel()[s].bind(state_.textures[s].get(), state_.samplerStates[s]);
    }
    for (UINT s = 0; s < 4; ++s) {
      UINT slot = 0;
      if (samplerSlot(D3DVERTEXTEXTURESAMPLER0 + s, &slot)) {
        vertexSamplers_.vertex()[s].bind(state_.textures[slot].get(), state_.samplerStates[slot]);
      }
    }
    vertexSamplers_.useVertexSamplers(true);
  }

  // The vertex number of every primitive vertex, in draw order.
  bool gatherIndices() {
    std::uint64_t count = verticesForPrimitives(request_.type, request_.primitiveCount);
    if (count == 0) return false;
    indices_.resize(count);
    if (!request_.indexed) {
      for (std::uint64_t i = 0; i < count; ++i)
        indices_[i] = std::int64_t{request_.startVertex} + static_cast<std::int64_t>(i);
      return true;
    }
    const std::byte* data = nullptr;
    std::size_t available = 0;
    D3DFORMAT format = request_.indexFormat;
    if (request_.userIndices) {
      data = static_cast<const std::byte*>(request_.userIndices);
      available = count;
    } else {
      const IndexBuffer& buffer = *state_.indices.get();
      format = buffer.desc().Format;
      UINT size = format == D3DFMT_INDEX32 ? 4 : 2;
      const auto& bytes = buffer.store().bytes();
      std::size_t first = std::size_t{request_.startIndex} * size;
      if (first >= bytes.size()) return false;
      data = bytes.data() + first;
      available = (bytes.size() - first) / size;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
      std::int64_t value = -1;
      if (i < available) {
        if (format == D3DFMT_INDEX32) {
          std::uint32_t v;
          std::memcpy(&v, data + 4 * i, 4);
          value = v;
        } else {
          std::uint16_t v;
          std::memcpy(&v, data + 2 * i, 2);
          value = v;
        }
        value += request_.baseVertex;
      }
      indices_[i] = value;
    }
    return true;
  }

  // The processed vertex of an index position: from the dense cache, which holds every vertex
  // the indices name before assembly starts, or processed now. Negative numbers and numbers
  // past the streams read default values.
  const ShadedVertex& vertex(std::size_t position) {
    std::int64_t number = indices_[position];
    if (dense_) return cache_[static_cast<std::size_t>(number - denseBase_)];
    ShadedVertex& scratch = sparse_[position % sparse_.size()];
    vertexStage_.process(vertexNumber(number), &scratch);
    return scratch;
  }

  // Numbers outside the 32-bit range (a missing index, a negative base) read past every stream.
  static UINT vertexNumber(std::int64_t number) {
    return number < 0 || number > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<UINT>(number);
  }

  void prepareCache() {
    auto [low, high] = std::minmax_element(indices_.begin(), indices_.end());
    std::uint64_t range = static_cast<std::uint64_t>(*high - *low) + 1;
    dense_ = range <= indices_.size() + kDenseRangeSlack;
    if (dense_) {
      denseBase_ = *low;
      cache_.resize(range);
    } else {
      sparse_.resize(3);
    }
  }

  // The dense cache's slots of the vertices the indices name, each once.
  std::vector<std::size_t> referencedSlots() const {
    std::vector<bool> named(cache_.size(), false);
    std::vector<std::size_t> slots;
    for (std::int64_t number : indices_) {
      const auto slot = static_cast<std::size_t>(number - denseBase_);
      if (named[slot]) continue;
      named[slot] = true;
      slots.push_back(slot);
    }
    return slots;
  }

  // The vertices of those slots, a few at a time, so that a vertex shader's steps serve several
  // vertices each.
  void processVertices(VertexStage& stage, std::span<const std::size_t> slots) {
    std::array<UINT, kBatchLanes> numbers;
    std::array<ShadedVertex*, kBatchLanes> outs;
    const auto lanes = static_cast<std::size_t>(stage.lanesAtOnce());
    for (std::size_t first = 0; first < slots.size(); first += lanes) {
      const std::size_t count = std::min(lanes, slots.size() - first);
      for (std::size_t i = 0; i < count; ++i) {
        numbers[i] = vertexNumber(denseBase_ + static_cast<std::int64_t>(slots[first + i]));
        outs[i] = &cache_[slots[first + i]];
      }
      stage.process(numbers.data(), outs.data(), static_cast<int>(count));
    }
  }

  // A large triangle list is assembled by the workers, each taking a run of consecutive
  // triangles into a part of its own: first the vertices, shared out between them, then the
  // triangles. The parts keep the draw's order.
  bool assembleInParts() {
    const unsigned workers = std::max(1u, targets_.workers);
    const std::size_t triangles = indices_.size() / 3;
    if (workers == 1 || !targets_.bandWorkers || !dense_ || request_.type != D3DPT_TRIANGLELIST ||
        triangles < kParallelTriangles) {
      return false;
    }
    const std::vector<std::size_t> slots = referencedSlots();
    parts_.clear();
    parts_.resize(workers);
    std::barrier verticesDone(static_cast<std::ptrdiff_t>(workers));
    targets_.bandWorkers->run(workers, [&](unsigned w) {
      auto share = [w, workers](std::size_t total) {
        return std::pair{total * w / workers, total * (w + 1) / workers};
      };
      // Each worker runs the vertex stage on scratch registers of its own.
      std::optional<VertexStage> own;
      VertexStage* stage = &vertexStage_;
      if (w != 0) {
        stage = &own.emplace();
        stage->bind(state_, streams_, &vertexSamplers_, targets_.fastPaths);
      }
      const auto [firstSlot, lastSlot] = share(slots.size());
      processVertices(*stage, std::span(slots).subspan(firstSlot, lastSlot - firstSlot));
      verticesDone.arrive_and_wait();
      Primitives& out = parts_[w];
      const auto [first, last] = share(triangles);
      out.triangles.reserve((last - first) + (last - first) / 4 + 16);
      for (std::size_t t = first; t < last; ++t) triangle(out, 3 * t, 3 * t + 1, 3 * t + 2);
    });
    return true;
  }

  ScreenVertex toScreen(const ShadedVertex& v) const {
    ScreenVertex s;
    s.varyings = &v.varyings;
    if (vertexStage_.pretransformed()) {
      s.x = v.position[0];
      s.y = v.position[1];
      s.z = v.position[2];
      s.rhw = v.position[3];
      return s;
    }
    const D3DVIEWPORT9& vp = state_.viewport;
    float w = v.position[3];
    float rhw = 1.0f / w;
    s.x = static_cast<float>(vp.X) + (1.0f + v.position[0] * rhw) * static_cast<float>(vp.Width) * 0.5f;
    s.y = static_cast<float>(vp.Y) + (1.0f - v.position[1] * rhw) * static_cast<float>(vp.Height) * 0.5f;
    s.z = vp.MinZ + v.position[2] * rhw * (vp.MaxZ - vp.MinZ);
    s.rhw = rhw;
    return s;
  }

  void addTriangle(Primitives& out, const ShadedVertex& a, const ShadedVertex& b, const ShadedVertex& c) {
    if (vertexStage_.pretransformed() || !state_.renderStates[D3DRS_CLIPPING]) {
      emitTriangle(out, a, b, c);
      return;
    }
    if (!finitePosition(a) || !finitePosition(b) || !finitePosition(c)) return;
    bool inside = true;
    for (int p = 0; p < clipPlanes_.count; ++p) {
      int plane = clipPlanes_.planes[static_cast<std::size_t>(p)];
      float da = planeDistance(a, plane), db = planeDistance(b, plane), dc = planeDistance(c, plane);
      if (da < 0 && db < 0 && dc < 0) return;  // wholly outside one plane
      // NaN distances (a user plane of NaNs) count as outside.
      if (!(da >= 0) || !(db >= 0) || !(dc >= 0)) inside = false;
    }
    if (inside && a.position[3] > 0 && b.position[3] > 0 && c.position[3] > 0) {
      emitTriangle(out, a, b, c);
      return;
    }
    std::vector<ShadedVertex>& polygon = out.polygon;
    polygon.assign({a, b, c});
    clipPolygon(polygon, out.polygonScratch, clipPlanes_, usedSlots_);
    if (polygon.size() < 3) return;
    // The clipped polygon is a fan around its first vertex; its vertices live with the draw.
    std::size_t first = out.clipped.size();
    for (const ShadedVertex& v : polygon) out.clipped.push_back(v);
    for (std::size_t i = 1; i + 1 < polygon.size(); ++i) {
      emitTriangle(out, out.clipped[first], out.clipped[first + i], out.clipped[first + i + 1], i == 1,
                   i + 2 == polygon.size(), &a.varyings);
    }
  }

  // `firstEdge`/`lastEdge` say which outline edges of a fan piece belong to the original
  // triangle's outline in wireframe mode.
  void emitTriangle(Primitives& out, const ShadedVertex& a, const ShadedVertex& b, const ShadedVertex& c,
                    bool firstEdge = true, bool lastEdge = true,
                    const std::array<Vec4, kVaryingSlots>* flatSource = nullptr) {
    if (!vertexStage_.pretransformed() && (a.position[3] <= 0 || b.position[3] <= 0 || c.position[3] <= 0)) return;
    ScreenVertex sa = toScreen(a), sb = toScreen(b), sc = toScreen(c);
    applyDepthBias(&sa, &sb, &sc);
    DWORD fill = state_.renderStates[D3DRS_FILLMODE];
    bool flat = state_.renderStates[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    const std::uint32_t flatSlots = (flat ? (1u << kDiffuseSlot) | (1u << kSpecularSlot) : 0u) | whiteSlots_;
    // Set up where it is kept (a setup is large), and taken back when it is not drawn as one.
    TriangleSetup& setup = out.triangles.emplace_back();
    const bool drawn =
        setupTriangle(sa, sb, sc, state_.renderStates[D3DRS_CULLMODE], flatSlots, usedSlots_, &setup, flatSource);
    if (!drawn || fill == D3DFILL_POINT || fill == D3DFILL_WIREFRAME) out.triangles.pop_back();
    if (!drawn) return;
    if (fill == D3DFILL_POINT) {
      out.points.push_back({sa, 1.0f});
      out.points.push_back({sb, 1.0f});
      out.points.push_back({sc, 1.0f});
      return;
    }
    if (fill == D3DFILL_WIREFRAME) {
      if (firstEdge) out.lines.push_back({sa, sb, false});
      out.lines.push_back({sb, sc, false});
      if (lastEdge) out.lines.push_back({sc, sa, false});
      return;
    }
    int width = std::max(0, setup.maxX - setup.minX + 1), height = std::max(0, setup.maxY - setup.minY + 1);
    out.area += std::uint64_t(std::min(width, 1 << 16)) * std::uint64_t(std::min(height, 1 << 16));
  }

  // Offsets the depth of a triangle's vertices by DEPTHBIAS plus SLOPESCALEDEPTHBIAS times the
  // triangle's largest screen-space depth slope, so the rasteriser's depth plane moves with them.
  void applyDepthBias(ScreenVertex* a, ScreenVertex* b, ScreenVertex* c) const {
    if (depthBias_ == 0.0f && slopeScaledDepthBias_ == 0.0f) return;
    float offset = depthBias_;
    if (slopeScaledDepthBias_ != 0.0f) {
      float dx1 = b->x - a->x, dy1 = b->y - a->y, dz1 = b->z - a->z;
      float dx2 = c->x - a->x, dy2 = c->y - a->y, dz2 = c->z - a->z;
      float area = dx1 * dy2 - dx2 * dy1;
      if (area != 0.0f) {
        float dzdx = (dz1 * dy2 - dz2 * dy1) / area, dzdy = (dx1 * dz2 - dx2 * dz1) / area;
        offset += slopeScaledDepthBias_ * std::max(std::fabs(dzdx), std::fabs(dzdy));
      }
    }
    if (!std::isfinite(offset)) return;
    a->z += offset;
    b->z += offset;
    c->z += offset;
  }

  void addLine(Primitives& out, const ShadedVertex& a, const ShadedVertex& b, bool lastPixel) {
    if (!vertexStage_.pretransformed()) {
      std::vector<ShadedVertex> segment{a, b};
      if (!finitePosition(a) || !finitePosition(b)) return;
      for (int p = 0; p < clipPlanes_.count; ++p) {
        int plane = clipPlanes_.planes[static_cast<std::size_t>(p)];
        float da = planeDistance(segment[0], plane);
        float db = planeDistance(segment[1], plane);
        if (!(da >= 0) && !(db >= 0)) return;
        if (da < 0) segment[0] = lerpVertex(segment[0], segment[1], da / (da - db), usedSlots_);
        if (db < 0) segment[1] = lerpVertex(segment[0], segment[1], da / (da - db), usedSlots_);
      }
      if (segment[0].position[3] <= 0 || segment[1].position[3] <= 0) return;
      out.clipped.push_back(segment[0]);
      out.clipped.push_back(segment[1]);
      out.lines.push_back({toScreen(out.clipped[out.clipped.size() - 2]), toScreen(out.clipped.back()), lastPixel});
      return;
    }
    out.lines.push_back({toScreen(a), toScreen(b), lastPixel});
  }

  void addPoint(Primitives& out, const ShadedVertex& v) {
    if (!vertexStage_.pretransformed()) {
      if (!finitePosition(v) || v.position[3] <= 0) return;
      // Depth and the user planes clip a point by its centre; sideways a point whose centre
      // is out of view may still reach into it, and the target region clips its pixels.
      for (int p = 0; p < clipPlanes_.count; ++p) {
        int plane = clipPlanes_.planes[static_cast<std::size_t>(p)];
        if (plane >= 4 && !(planeDistance(v, plane) >= 0)) return;
      }
    }
    float minimum = floatFromBits(state_.renderStates[D3DRS_POINTSIZE_MIN]);
    float maximum = std::min(floatFromBits(state_.renderStates[D3DRS_POINTSIZE_MAX]), kMaxPointSize);
    float size = v.pointSize;
    if (!(size > 0)) size = 1.0f;
    size = std::clamp(size, std::min(minimum, maximum), std::max(minimum, maximum));
    // The device's largest size holds whatever the limits say; NaN limits fall back to 1.
    size = std::min(size, kMaxPointSize);
    if (!(size > 0)) size = 1.0f;
    ScreenVertex centre = toScreen(v);
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) return;
    // A point wholly beside the viewport draws nothing; this also keeps sprite corners in range.
    const D3DVIEWPORT9& vp = state_.viewport;
    float half = size * 0.5f;
    if (centre.x + half <= static_cast<float>(vp.X) || centre.x - half >= static_cast<float>(vp.X + vp.Width) ||
        centre.y + half <= static_cast<float>(vp.Y) || centre.y - half >= static_cast<float>(vp.Y + vp.Height)) {
      return;
    }
    if (state_.renderStates[D3DRS_POINTSPRITEENABLE]) {
      addSprite(out, v, centre, half);
    } else {
      out.points.push_back({centre, size});
    }
  }

  // A point sprite: a screen-aligned square of two triangles whose texture coordinates run
  // from (0, 0) at the top-left corner to (1, 1) at the bottom-right in every set.
  void addSprite(Primitives& out, const ShadedVertex& v, const ScreenVertex& centre, float half) {
    std::array<ScreenVertex, 4> corners;
    for (int i = 0; i < 4; ++i) {
      float u = (i & 1) ? 1.0f : 0.0f, w = (i & 2) ? 1.0f : 0.0f;
      ShadedVertex corner = v;
      for (int set = 0; set < 8; ++set) corner.varyings[static_cast<std::size_t>(kTexCoordSlot + set)] = {u, w, 0, 1};
      out.clipped.push_back(corner);
      ScreenVertex& s = corners[static_cast<std::size_t>(i)];
      s = centre;
      s.x = centre.x + (2.0f * u - 1.0f) * half;
      s.y = centre.y + (2.0f * w - 1.0f) * half;
      s.varyings = &out.clipped.back().varyings;
    }
    for (const auto& [a, b, c] : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{1, 3, 2}}) {
      TriangleSetup setup;
      if (!setupTriangle(corners[static_cast<std::size_t>(a)], corners[static_cast<std::size_t>(b)],
                         corners[static_cast<std::size_t>(c)], D3DCULL_NONE, whiteSlots_, usedSlots_, &setup)) {
        continue;
      }
      int width = std::max(0, setup.maxX - setup.minX + 1), height = std::max(0, setup.maxY - setup.minY + 1);
      out.area += std::uint64_t(width) * std::uint64_t(height);
      out.triangles.push_back(setup);
    }
  }

  void assemble(Primitives& out) {
    std::size_t n = indices_.size();
    bool lastPixel = state_.renderStates[D3DRS_LASTPIXEL] != 0;
    switch (request_.type) {
      case D3DPT_TRIANGLELIST:
        for (std::size_t i = 0; i + 2 < n; i += 3) triangle(out, i, i + 1, i + 2);
        break;
      case D3DPT_TRIANGLESTRIP:
        // Every second triangle of a strip swaps two vertices to keep the winding.
        for (std::size_t i = 0; i + 2 < n; ++i) {
          if (i % 2 == 0) {
            triangle(out, i, i + 1, i + 2);
          } else {
            triangle(out, i + 1, i, i + 2);
          }
        }
        break;
      case D3DPT_TRIANGLEFAN:
        for (std::size_t i = 1; i + 1 < n; ++i) triangle(out, 0, i, i + 1);
        break;
      case D3DPT_LINELIST:
        for (std::size_t i = 0; i + 1 < n; i += 2) line(out, i, i + 1, lastPixel);
        break;
      case D3DPT_LINESTRIP:
        for (std::size_t i = 0; i + 1 < n; ++i) line(out, i, i + 1, lastPixel && i + 2 == n);
        break;
      case D3DPT_POINTLIST:
        for (std::size_t i = 0; i < n; ++i) {
          ShadedVertex v = vertex(i);
          out.clipped.push_back(v);
          addPoint(out, out.clipped.back());
        }
        break;
      default: break;
    }
  }

  void triangle(Primitives& out, std::size_t i0, std::size_t i1, std::size_t i2) {
    if (dense_) {
      const ShadedVertex& a = vertex(i0);
      const ShadedVertex& b = vertex(i1);
      addTriangle(out, a, b, vertex(i2));
      return;
    }
    // Copies keep the vertices alive while the sparse scratch is reused.
    ShadedVertex a = vertex(i0), b = vertex(i1), c = vertex(i2);
    out.clipped.push_back(a);
    out.clipped.push_back(b);
    out.clipped.push_back(c);
    std::size_t k = out.clipped.size();
    addTriangle(out, out.clipped[k - 3], out.clipped[k - 2], out.clipped[k - 1]);
  }

  void line(Primitives& out, std::size_t i0, std::size_t i1, bool lastPixel) {
    ShadedVertex a = vertex(i0), b = vertex(i1);
    out.clipped.push_back(a);
    out.clipped.push_back(b);
    std::size_t k = out.clipped.size();
    addLine(out, out.clipped[k - 2], out.clipped[k - 1], lastPixel);
  }

  ClipRegion targetRegion() const {
    const D3DVIEWPORT9& vp = state_.viewport;
    const D3DSURFACE_DESC& desc = targets_.renderTarget->desc();
    ClipRegion r;
    r.left = static_cast<int>(std::min<DWORD>(vp.X, desc.Width));
    r.top = static_cast<int>(std::min<DWORD>(vp.Y, desc.Height));
    r.right = static_cast<int>(std::min<std::uint64_t>(std::uint64_t{vp.X} + vp.Width, desc.Width));
    r.bottom = static_cast<int>(std::min<std::uint64_t>(std::uint64_t{vp.Y} + vp.Height, desc.Height));
    if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
      const RECT& s = state_.scissorRect;
      r.left = std::max<int>(r.left, static_cast<int>(s.left));
      r.top = std::max<int>(r.top, static_cast<int>(s.top));
      r.right = std::min<int>(r.right, static_cast<int>(s.right));
      r.bottom = std::min<int>(r.bottom, static_cast<int>(s.bottom));
    }
    return r;
  }

  // Binds a pixel stage and output merger of the caller's to the draw's state and targets.
  void bindPixelWork(PixelStage& stage, OutputMerger& merger) {
    stage.bind(state_, &pixelSamplers_, vertexStage_.varyings());
    merger.bind(state_, targets_.renderTarget, targets_.depthStencil, fog_, targets_.fastPaths);
  }

  // Whether every triangle takes the block path, with the same flat slots.
  bool blockTriangles() const {
    const ClipRegion whole = targetRegion();
    const std::uint32_t flatSlots = parts_.front().triangles.empty() ? 0 : parts_.front().triangles.front().flatSlots;
    for (const Primitives& part : parts_) {
      for (const TriangleSetup& t : part.triangles) {
        if (!fitsBlockRasterizer(t, whole) || t.flatSlots != flatSlots) return false;
      }
    }
    return true;
  }

  bool hasLinesOrPoints() const {
    return std::any_of(parts_.begin(), parts_.end(),
                       [](const Primitives& part) { return !part.lines.empty() || !part.points.empty(); });
  }

  void renderBand(const ClipRegion& region, const DrawVisibility& visibility) {
    PixelStage stage;
    OutputMerger merger;
    bindPixelWork(stage, merger);
    Worker worker(stage, merger);
    // Triangles whose state suits the block path go through it, unless they reach too far.
    const bool blocks = takesBlocks(stage, merger);
    if (blocks && !gatheredTriangles_.empty() && visibility.covered) {
      // The pass kept the triangles' blocks gathered block by block.
      rasterizeGatheredBlocks(gatheredTriangles_, region, stage.blockComponents(), worker.batch(), worker, visibility);
      worker.blocks(worker.batch());
      renderLinesAndPoints(region, worker);
      return;
    }
    std::size_t number = 0;  // of the triangle in the draw
    for (const Primitives& part : parts_) {
      for (const TriangleSetup& t : part.triangles) {
        if (blocks && fitsBlockRasterizer(t, region)) {
          rasterizeTriangleBlocks(t, region, stage.blockComponents(), worker.batch(), worker, visibility, number);
        } else {
          // Blocks gathered so far go first, so every pixel sees its triangles in order.
          worker.blocks(worker.batch());
          rasterizeTriangle(t, region, usedSlots_, worker);
        }
        ++number;
      }
    }
    worker.blocks(worker.batch());
    renderLinesAndPoints(region, worker);
  }

  void renderLinesAndPoints(const ClipRegion& region, Worker& worker) {
    bool flat = state_.renderStates[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    for (const Primitives& part : parts_) {
      for (const LineItem& l : part.lines) rasterizeLine(l.a, l.b, l.lastPixel, flat, region, usedSlots_, worker);
    }
    for (const Primitives& part : parts_) {
      for (const PointItem& p : part.points) rasterizePoint(p.v, p.size, region, usedSlots_, worker);
    }
  }

  // Whether a band's bound stage and merger take the draw's triangles down the block path
  // (readying the stage's block program when they do).
  bool takesBlocks(PixelStage& stage, const OutputMerger& merger) const {
    return kBlocksPayOff && targets_.fastPaths && merger.mergesBlocks() &&
           stage.prepareBlocks(whiteSlots_, merger.blockColorComponents());
  }

  // The same decision before the bands start, on a stage and merger of its own.
  bool usesBlocks() {
    if (!kBlocksPayOff || !targets_.fastPaths) return false;
    PixelStage stage;
    OutputMerger merger;
    bindPixelWork(stage, merger);
    return takesBlocks(stage, merger);
  }

  void rasterize(const DrawVisibility& visibility) {
    if (!targets_.renderTarget) return;
    ClipRegion whole = targetRegion();
    if (whole.left >= whole.right || whole.top >= whole.bottom) return;
    std::uint64_t area = 0;
    for (const Primitives& part : parts_) area += part.area;
    if (targets_.fastPaths && targets_.texelScratch && !usesBlocks()) {
      // Primitives' bounding boxes stand in for the samples the draw will take; blocks read
      // the texels where they are.
      for (std::size_t s = 0; s < kPixelSamplerCount; ++s) {
        pixelSamplers_.pixel()[s].unpackForDraw(area, (*targets_.texelScratch)[s]);
      }
    }
    unsigned workers = std::max(1u, targets_.workers);
    int height = whole.bottom - whole.top;
    if (workers == 1 || area < kParallelPixels || height < 4 || hasLinesOrPoints()) {
      renderBand(whole, visibility);
      return;
    }
    // Bands of whole quads: each worker owns rows no other touches.
    const int band = ((height + static_cast<int>(workers) - 1) / static_cast<int>(workers) + 1) & ~1;
    const auto bands = static_cast<unsigned>((height + band - 1) / band);
    auto render = [&](unsigned w) {
      ClipRegion region = whole;
      region.top = whole.top + static_cast<int>(w) * band;
      region.bottom = std::min(whole.bottom, region.top + band);
      renderBand(region, visibility);
    };
    if (targets_.bandWorkers) {
      targets_.bandWorkers->run(bands, render);
    } else {
      BandWorkers ownWorkers;
      ownWorkers.run(bands, render);
    }
  }

  std::optional<DeviceState> snapshot_;  // the state a held draw was made under
  const DeviceState& state_;
  const DrawTargets targets_;
  const DrawRequest request_;
  bool fog_ = false;
  bool ready_ = false;
  // When its coverage asked the visibility pass to gather its blocks, its triangles in order
  // (which the gathered blocks number); else empty.
  std::vector<const TriangleSetup*> gatheredTriangles_;
  std::array<StreamView, kStreamCount> streams_{};
  SamplerSet pixelSamplers_;
  SamplerSet vertexSamplers_;
  VertexStage vertexStage_;
  std::uint32_t usedSlots_ = 0;
  std::uint32_t whiteSlots_ = 0;  // colour slots that are (1, 1, 1, 1) at every vertex
  ClipPlanes clipPlanes_;
  float depthBias_ = 0.0f, slopeScaledDepthBias_ = 0.0f;
  std::vector<std::int64_t> indices_;
  bool dense_ = true;
  std::int64_t denseBase_ = 0;
  std::vector<ShadedVertex> cache_;
  std::vector<ShadedVertex> sparse_;
  // One run of primitives, or one per worker when workers assemble a large draw's parts.
  std::vector<Primitives> parts_ = std::vector<Primitives>(1);
};

}  // namespace

std::uint64_t verticesForPrimitives(D3DPRIMITIVETYPE type, UINT primitives) {
  std::uint64_t count = primitives;
  switch (type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count * 2;
    case D3DPT_LINESTRIP: return count + 1;
    case D3DPT_TRIANGLELIST: return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count + 2;
    default: return 0;
  }
}

HRESULT executeDraw(const DeviceState& state, const DrawTargets& targets, const DrawRequest& request) {
  auto draw = std::make_unique<Draw>(state, targets, request, false);
  const HRESULT result = draw->prepare();
  draw->render({});
  return result;
}

HRESULT prepareDraw(const DeviceState& state, const DrawTargets& targets, const DrawRequest& request,
                    std::unique_ptr<PreparedDraw>* prepared) {
  auto draw = std::make_unique<Draw>(state, targets, request, true);
  const HRESULT result = draw->prepare();
  if (draw->ready()) *prepared = std::move(draw);
  return result;
}

}  // namespace platform::d3d9
