#pragma once
// What a pick pass means, apart from any GL or window: the element and manipulator handle named
// by the hit records of a GL selection buffer, and what the canvas does with them for each kind of
// mouse event (select, highlight, clear, show the element's name).
//
// A hit record is: the number n of names, the minimum depth, the maximum depth, then n names. The
// canvas pushes one name before the object renders; the object replaces it and pushes its own, so
// that names[1] is the element (a marker number, a model item id of 100000 or more, or the object's
// own name) and names[2], on a manipulator, the handle: 2, 3, 4 the X, Y, Z arrows, 5, 6, 7 the
// rotation rings.
#include <cstddef>
#include <cstdint>

// Words in the selection buffer of one pick pass.
constexpr std::size_t kPickBufferSize = 2048;
// Element numbers from here on are items of the body model.
constexpr int kModelItemBase = 100000;

// Why a pick was asked for.
enum PickMode {
    kPickNone = 0,
    kPickLeft = 1,    // left button pressed (also left by an orbit drag)
    kPickRight = 2,   // right button pressed (also left by pan drags)
    kPickMiddle = 3,  // middle button pressed
    kPickHover = 4,   // moved with no button down
    kPickDrag = 5,    // dragged
    kPickDoubleClick = 6,
};

struct PickHit {
    int element = 0;
    // The handle's name (2 to 7), 0 when the element's record names no handle.
    int handle = 0;
};

// The element and handle of the last hit record that names an element (n of 2 or more). Both come
// from that one record, so a handle of an earlier record never sticks to a later element. Records
// are read only as far as `hits` and `size` allow: a record that runs past the buffer ends the
// walk, and hits of 0 or below (-1 when the buffer overflowed) give no element. Names too large
// for an int count as no element.
PickHit FindPickHit(int hits, const std::uint32_t* buffer, std::size_t size);

// Element numbers of this canvas's objects: 1 to 999 (markers or the object's own name) and model
// items; 0, negative numbers and 1000 to 99999 belong to nothing.
bool IsPickableElement(int element);

struct PickContext {
    int hits = 0;
    int mode = kPickNone;
    // Add to the selection instead of replacing it.
    bool keepSelection = false;
    bool altDown = false;
    bool controlDown = false;
    // The shell lets selected markers be dragged by their manipulator.
    bool trajectoryMoveEnabled = false;
};

// What the canvas does after a pick pass. Before any of it every highlight is cleared, the active
// handle reset and the status text blanked.
struct PickResult {
    // Select(0, -1, false): the selection is replaced by what follows (or emptied).
    bool clearSelection = false;
    // Select(highest order + 1, element, manipulate), then its name in the status bar.
    bool select = false;
    bool manipulate = false;
    // SetHighlighted(1, element), then its name in the status bar and tool tip.
    bool highlight = false;
    int element = 0;
    // -1, or the manipulator handle clicked: 0 to 2 the arrows, 3 to 5 the rings.
    int activeHandle = -1;
    // The selection changed: the owner frame refreshes its controls.
    bool updateOwner = false;
    bool clearToolTip = false;
};

PickResult ProcessPick(const PickContext& context, const PickHit& hit);
