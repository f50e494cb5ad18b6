#pragma once
// Program-wide settings that the application shell loads from and saves to the configuration
// store and edits in its settings panel. They live here, below the shell, so that the camera, the
// canvases, the scene objects and the BVH code can read them without linking the shell.

// Divisor of the camera's clipping range for one zoom step; expected positive.
extern double camera_zoom_factor;
// Relative change of the lens angle for one zoom step; the camera repairs a value <= 0.
extern double camera_zoom_inc;
// Divisor of the scene extent for one camera step or pan step; expected positive.
extern double camera_move;
// Lens angle (degrees) that a camera reset restores, and the reference of the pan scaling.
extern double camera_default_lens;
// BVH files are taken to be in inches.
extern bool bvh_inch_unit;
// Scale applied to BVH data (the shell keeps only positive values).
extern double bvh_scale;
// A selected marker may show its manipulator only while this is set (the shell clears it).
extern unsigned char selected_trajectory_enabled;
// The canvas copies this into its element tool-tips flag when it loads a motion file.
extern unsigned char element_tooltips_enabled;
