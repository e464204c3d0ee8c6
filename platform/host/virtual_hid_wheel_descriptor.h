/* The built-in virtual wheel's HID report descriptor, written once for both of its makers:
 * the host stand-in's virtual wheel (C++) and the Wine minidriver (C, freestanding), so the
 * wheel the host tests drive and the one Wine's HID stack exposes cannot drift apart.
 * Input report 1: X and Y (10 bits each, 0..1023) and 12 buttons; output report 1: one
 * 16-bit value on usage page 1, usage 0xBB; feature reports 2 (vendor usages 1, 2) and 3
 * (usages 3, 4), 16 bits each, on page 0xFF00. Plain data: no includes. */
#ifndef QUORFORCE_VIRTUAL_HID_WHEEL_DESCRIPTOR_H
#define QUORFORCE_VIRTUAL_HID_WHEEL_DESCRIPTOR_H

/* clang-format off */
static const unsigned char kBuiltInWheelDescriptor[] = {
    0x05, 0x01,                    /* Usage Page (Generic Desktop) */
    0x09, 0x04,                    /* Usage (Joystick) */
    0xA1, 0x01,                    /* Collection (Application) */
    0x85, 0x01,                    /*   Report ID (1) */
    0x09, 0x30,                    /*   Usage (X) */
    0x09, 0x31,                    /*   Usage (Y) */
    0x15, 0x00,                    /*   Logical Minimum (0) */
    0x26, 0xFF, 0x03,              /*   Logical Maximum (1023) */
    0x75, 0x0A,                    /*   Report Size (10) */
    0x95, 0x02,                    /*   Report Count (2) */
    0x81, 0x02,                    /*   Input (Data, Variable, Absolute) */
    0x05, 0x09,                    /*   Usage Page (Button) */
    0x19, 0x01,                    /*   Usage Minimum (1) */
    0x29, 0x0C,                    /*   Usage Maximum (12) */
    0x15, 0x00,                    /*   Logical Minimum (0) */
    0x25, 0x01,                    /*   Logical Maximum (1) */
    0x75, 0x01,                    /*   Report Size (1) */
    0x95, 0x0C,                    /*   Report Count (12) */
    0x81, 0x02,                    /*   Input (Data, Variable, Absolute) */
    0x05, 0x01,                    /*   Usage Page (Generic Desktop) */
    0x09, 0xBB,                    /*   Usage (0xBB): the force value */
    0x15, 0x00,                    /*   Logical Minimum (0) */
    0x27, 0xFF, 0xFF, 0x00, 0x00,  /*   Logical Maximum (65535) */
    0x75, 0x10,                    /*   Report Size (16) */
    0x95, 0x01,                    /*   Report Count (1) */
    0x91, 0x02,                    /*   Output (Data, Variable, Absolute) */
    0x06, 0x00, 0xFF,              /*   Usage Page (Vendor 0xFF00) */
    0x85, 0x02,                    /*   Report ID (2): the spring switch */
    0x09, 0x01,                    /*   Usage (1) */
    0x09, 0x02,                    /*   Usage (2) */
    0x95, 0x02,                    /*   Report Count (2) */
    0xB1, 0x02,                    /*   Feature (Data, Variable, Absolute) */
    0x85, 0x03,                    /*   Report ID (3): the spring strength */
    0x09, 0x03,                    /*   Usage (3) */
    0x09, 0x04,                    /*   Usage (4) */
    0xB1, 0x02,                    /*   Feature (Data, Variable, Absolute) */
    0xC0,                          /* End Collection */
};
/* clang-format on */

#endif
