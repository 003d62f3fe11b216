#pragma once
// Extends an edge selection along loops and arcs, as a modelling tool's "select loop" does:
//  - an inner edge continues through a vertex with exactly four edges, none on the boundary, to
//    the opposite edge (the one sharing no polygon with it): quad loops, which stop at poles
//    (valence other than 4) and at the mesh boundary;
//  - a boundary edge continues through a vertex with exactly two boundary edges to the other
//    one: open boundary arcs, and whole holes or outlines when they close.
// Each selected edge is walked in both directions; a walk stops where it started (closed loop).

#include "brontle/core/SubSelection.h"
#include "brontle/viewmath/MeshEdges.h"

namespace brontle {

// The edges reached from `edges` (kind-3 entries: polygon index, start corner), every edge given
// as all its half-edges. Entries of `edges` come first in their order (invalid entries dropped);
// each newly reached edge follows with its half-edges in mesh order.
SubSelection extendEdgeLoops(const MeshArrays& mesh, const SubSelection& edges);
SubSelection extendEdgeLoops(const MeshEdges& topology, const SubSelection& edges);

// The half-edges of each selected edge, as pick groups (see SelectionEdit.h).
std::vector<SubSelectionEntry> halfEdgeEntries(const MeshEdges& topology, std::int32_t edge);

} // namespace brontle
