#pragma once

#include <cstdint>
#include <string>

#include "fleet/FleetView.h"

// The chain's view rendered for people and for machines. Each function only
// formats; none reads a database.
namespace fleet {

// An age for people: "45s", "12m", "3h 5m", "2d 4h".
std::string ageText(int64_t seconds);

// The terminal table: one line per store, the stores needing a person first, with a
// line under it for each queue that holds rows.
std::string tableText(const FleetView& view);

// Every field of the view as one JSON document.
std::string jsonText(const FleetView& view);

// Prometheus' text format for node_exporter's textfile folder: gauges prefixed
// olvarin_fleet_, labelled by store (and queue), ages in seconds at the time the
// view was read. Queue series only for queues that hold rows of the store.
std::string prometheusText(const FleetView& view);

// One self-contained HTML page (no external scripts, styles or fonts) that reads on
// a phone: the stores needing a person first, then a row per store.
std::string htmlPage(const FleetView& view);

}  // namespace fleet
