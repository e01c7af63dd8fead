/*
 * pid_firmware.c - a force-feedback firmware that reads and writes its
 * reports through the HID parser, so it works with any layout: 8-bit or
 * 16-bit fields, arrays or bit fields, report ids in any order.
 */
#include "pid_firmware.h"

#include "pid_usages.h"

#define PAGE_PID 0x0f
#define MAX_REPORT 512

/* The PID usage naming the report collection a field belongs to: the
 * collection directly below the top-level one. */
static USAGE report_usage(const HIDP_LINK_COLLECTION_NODE *nodes, ULONG count, USHORT link)
{
    while (link && link < count && nodes[link].Parent) link = nodes[link].Parent;
    if (!link || link >= count || nodes[link].LinkUsagePage != PAGE_PID) return 0;
    return nodes[link].LinkUsage;
}

static void note_report(PidFirmware *f, HIDP_REPORT_TYPE type, USAGE usage, UCHAR id)
{
    if (type == HidP_Feature && usage == PU_BLOCK_LOAD_REPORT) f->block_load = id;
    if (type == HidP_Feature && usage == PU_POOL_REPORT) f->pool = id;
    if (type == HidP_Input && usage == PU_STATE_REPORT) f->state = id;
    if (type != HidP_Output) return;
    if (usage == PU_SET_EFFECT_REPORT) f->set_effect = id;
    if (usage == PU_EFFECT_OPERATION_REPORT) f->effect_operation = id;
    if (usage == PU_BLOCK_FREE_REPORT) f->block_free = id;
    if (usage == PU_DEVICE_CONTROL_REPORT) f->device_control = id;
    if (usage == PU_DEVICE_GAIN_REPORT) f->device_gain = id;
}

/* Finds the reports of one type by the collections their fields lie in. */
static void scan_reports(PidFirmware *f, PHIDP_PREPARSED_DATA pp, const HIDP_LINK_COLLECTION_NODE *nodes,
                         ULONG node_count, HIDP_REPORT_TYPE type, USHORT value_count, USHORT button_count)
{
    HIDP_VALUE_CAPS *values = value_count ? ExAllocatePool(NonPagedPool, value_count * sizeof(*values)) : NULL;
    HIDP_BUTTON_CAPS *buttons = button_count ? ExAllocatePool(NonPagedPool, button_count * sizeof(*buttons)) : NULL;
    USHORT i, n;

    if (values && HidP_GetValueCaps(type, values, (n = value_count, &n), pp) == HIDP_STATUS_SUCCESS)
        for (i = 0; i < n; i++) note_report(f, type, report_usage(nodes, node_count, values[i].LinkCollection),
                                            values[i].ReportID);
    if (buttons && HidP_GetButtonCaps(type, buttons, (n = button_count, &n), pp) == HIDP_STATUS_SUCCESS)
        for (i = 0; i < n; i++) note_report(f, type, report_usage(nodes, node_count, buttons[i].LinkCollection),
                                            buttons[i].ReportID);
    if (values) ExFreePool(values);
    if (buttons) ExFreePool(buttons);
}

static BOOLEAN has_pid_reports(const PidFirmware *f)
{
    return f->set_effect || f->device_control || f->block_load;
}

static void scan_collection(PidFirmware *f, PHIDP_PREPARSED_DATA pp)
{
    HIDP_LINK_COLLECTION_NODE *nodes;
    ULONG node_count;
    HIDP_CAPS caps;

    if (HidP_GetCaps(pp, &caps) != HIDP_STATUS_SUCCESS) return;
    node_count = caps.NumberLinkCollectionNodes;
    nodes = ExAllocatePool(NonPagedPool, node_count * sizeof(*nodes) + 1);
    if (!nodes) return;
    if (HidP_GetLinkCollectionNodes(nodes, &node_count, pp) == HIDP_STATUS_SUCCESS) {
        scan_reports(f, pp, nodes, node_count, HidP_Input, caps.NumberInputValueCaps, caps.NumberInputButtonCaps);
        scan_reports(f, pp, nodes, node_count, HidP_Output, caps.NumberOutputValueCaps, caps.NumberOutputButtonCaps);
        scan_reports(f, pp, nodes, node_count, HidP_Feature, caps.NumberFeatureValueCaps,
                     caps.NumberFeatureButtonCaps);
    }
    ExFreePool(nodes);
    if (has_pid_reports(f)) {
        f->pid = pp;
        f->caps = caps;
    }
}

/* The pool report declares whether the device manages its effect memory. */
static BOOLEAN declares_device_managed_pool(PidFirmware *f)
{
    HIDP_BUTTON_CAPS button;
    HIDP_VALUE_CAPS value;
    USHORT n = 1;

    if (!f->pool) return FALSE;
    if (HidP_GetSpecificButtonCaps(HidP_Feature, PAGE_PID, 0, PU_DEVICE_MANAGED_POOL, &button, &n, f->pid) ==
            HIDP_STATUS_SUCCESS && n)
        return TRUE;
    n = 1;
    return HidP_GetSpecificValueCaps(HidP_Feature, PAGE_PID, 0, PU_DEVICE_MANAGED_POOL, &value, &n, f->pid) ==
               HIDP_STATUS_SUCCESS && n;
}

static ULONG block_index_limit(PidFirmware *f)
{
    HIDP_VALUE_CAPS caps;
    USHORT n = 1;

    if (HidP_GetSpecificValueCaps(HidP_Output, PAGE_PID, 0, PU_EFFECT_BLOCK_INDEX, &caps, &n, f->pid) !=
            HIDP_STATUS_SUCCESS || !n || caps.LogicalMax < 1)
        return VWHEEL_MAX_BLOCKS;
    return (ULONG)caps.LogicalMax < VWHEEL_MAX_BLOCKS ? (ULONG)caps.LogicalMax : VWHEEL_MAX_BLOCKS;
}

NTSTATUS firmware_init(PidFirmware *f, UCHAR *descriptor, ULONG length, ULONG blocks)
{
    NTSTATUS status;
    ULONG i;

    firmware_free(f);
    status = HidP_GetCollectionDescription(descriptor, length, NonPagedPool, &f->desc);
    /* Wine answers with the parser's own success code. */
    if (status && status != HIDP_STATUS_SUCCESS) return status;
    f->parsed = TRUE;
    f->report_ids = f->desc.ReportIDsLength && f->desc.ReportIDs[0].ReportID;
    for (i = 0; i < f->desc.CollectionDescLength && !f->pid; i++) {
        f->block_load = f->pool = f->state = f->set_effect = 0;
        f->effect_operation = f->block_free = f->device_control = f->device_gain = 0;
        scan_collection(f, f->desc.CollectionDesc[i].PreparsedData);
    }
    if (!f->pid) return STATUS_SUCCESS;
    f->device_managed = f->block_load && declares_device_managed_pool(f);
    f->blocks = block_index_limit(f);
    if (blocks && blocks < f->blocks) f->blocks = blocks;
    return STATUS_SUCCESS;
}

void firmware_free(PidFirmware *f)
{
    if (f->parsed) HidP_FreeCollectionDescription(&f->desc);
    RtlZeroMemory(f, sizeof(*f));
}

void firmware_forget_blocks(VWheelState *state)
{
    ULONG i;
    for (i = 0; i <= VWHEEL_MAX_BLOCKS; i++) state->allocated[i] = state->playing[i] = state->loop_count[i] = 0;
}

static ULONG free_blocks(const PidFirmware *f, const VWheelState *state)
{
    ULONG i, free = 0;
    for (i = 1; i <= f->blocks; i++) free += !state->allocated[i];
    return free;
}

static ULONG answer_block_load(PidFirmware *f, VWheelState *state, VWheelBlockLoadPlan *plan, CHAR *answer)
{
    ULONG status = VWHEEL_LOAD_SUCCESS, block = 0, i, length = f->caps.FeatureReportByteLength, count = 1;
    USAGE usage;

    if (plan->count) {
        status = plan->status;
        plan->count--;
    }
    if (status == VWHEEL_LOAD_SUCCESS) {
        for (i = 1; i <= f->blocks && !block; i++)
            if (!state->allocated[i]) block = i;
        if (block) state->allocated[block] = 1;
        else status = VWHEEL_LOAD_FULL;
    }
    usage = status == VWHEEL_LOAD_SUCCESS ? PU_BLOCK_LOAD_SUCCESS
          : status == VWHEEL_LOAD_FULL    ? PU_BLOCK_LOAD_FULL : PU_BLOCK_LOAD_ERROR;
    HidP_InitializeReportForID(HidP_Feature, f->block_load, f->pid, answer, length);
    HidP_SetUsageValue(HidP_Feature, PAGE_PID, 0, PU_EFFECT_BLOCK_INDEX, block, f->pid, answer, length);
    HidP_SetUsages(HidP_Feature, PAGE_PID, 0, &usage, &count, f->pid, answer, length);
    HidP_SetUsageValue(HidP_Feature, PAGE_PID, 0, PU_RAM_POOL_AVAILABLE, free_blocks(f, state) * 256, f->pid, answer,
                       length);
    return length;
}

static ULONG answer_pool(PidFirmware *f, CHAR *answer)
{
    ULONG length = f->caps.FeatureReportByteLength, count = 1;
    USAGE managed = PU_DEVICE_MANAGED_POOL;

    HidP_InitializeReportForID(HidP_Feature, f->pool, f->pid, answer, length);
    HidP_SetUsageValue(HidP_Feature, PAGE_PID, 0, PU_RAM_POOL_SIZE, 0xffff, f->pid, answer, length);
    HidP_SetUsageValue(HidP_Feature, PAGE_PID, 0, PU_SIMULTANEOUS_EFFECTS_MAX, f->blocks, f->pid, answer, length);
    /* A bit field in most devices, a one-bit value in some. */
    if (HidP_SetUsages(HidP_Feature, PAGE_PID, 0, &managed, &count, f->pid, answer, length) != HIDP_STATUS_SUCCESS)
        HidP_SetUsageValue(HidP_Feature, PAGE_PID, 0, PU_DEVICE_MANAGED_POOL, 1, f->pid, answer, length);
    return length;
}

ULONG firmware_get_feature(PidFirmware *f, VWheelState *state, VWheelBlockLoadPlan *plan, UCHAR id, UCHAR *answer,
                           ULONG capacity)
{
    CHAR report[MAX_REPORT];
    ULONG length;

    if (!f->pid || !id || f->caps.FeatureReportByteLength > sizeof(report)) return 0;
    if (id == f->block_load) length = answer_block_load(f, state, plan, report);
    else if (id == f->pool) length = answer_pool(f, report);
    else return 0;
    if (length > capacity) length = capacity;
    RtlCopyMemory(answer, report, length);
    return length;
}

static ULONG value_of(PidFirmware *f, CHAR *report, USAGE usage)
{
    ULONG value = 0;
    HidP_GetUsageValue(HidP_Output, PAGE_PID, 0, usage, &value, f->pid, report, f->caps.OutputReportByteLength);
    return value;
}

/* The one selected entry of an array, or the first set bit of a bit field. */
static USAGE selected_usage(PidFirmware *f, CHAR *report)
{
    USAGE usages[16];
    ULONG count = 16;
    if (HidP_GetUsages(HidP_Output, PAGE_PID, 0, usages, &count, f->pid, report, f->caps.OutputReportByteLength) !=
            HIDP_STATUS_SUCCESS || !count)
        return 0;
    return usages[0];
}

static ULONG announce_effect_state(PidFirmware *f, VWheelState *state, ULONG block, UCHAR *notice, ULONG capacity)
{
    ULONG length = f->caps.InputReportByteLength, count = 0;
    USAGE flags[3];

    if (!f->state || length > capacity) return 0;
    if (state->paused) flags[count++] = PU_DEVICE_PAUSED;
    if (state->actuators_enabled) flags[count++] = PU_ACTUATORS_ENABLED;
    if (state->playing[block]) flags[count++] = PU_EFFECT_PLAYING;
    HidP_InitializeReportForID(HidP_Input, f->state, f->pid, (CHAR *)notice, length);
    if (count) HidP_SetUsages(HidP_Input, PAGE_PID, 0, flags, &count, f->pid, (CHAR *)notice, length);
    HidP_SetUsageValue(HidP_Input, PAGE_PID, 0, PU_EFFECT_BLOCK_INDEX, block, f->pid, (CHAR *)notice, length);
    return length;
}

static void device_control(VWheelState *state, USAGE command)
{
    ULONG i;
    switch (command) {
    case PU_DC_ENABLE_ACTUATORS: state->actuators_enabled = 1; break;
    case PU_DC_DISABLE_ACTUATORS: state->actuators_enabled = 0; break;
    case PU_DC_STOP_ALL_EFFECTS:
        for (i = 1; i <= VWHEEL_MAX_BLOCKS; i++) state->playing[i] = 0;
        break;
    case PU_DC_DEVICE_RESET:
        firmware_forget_blocks(state);
        state->resets++;
        state->paused = 0;
        break;
    case PU_DC_DEVICE_PAUSE: state->paused = 1; break;
    case PU_DC_DEVICE_CONTINUE: state->paused = 0; break;
    }
}

static BOOLEAN valid_block(const PidFirmware *f, ULONG block)
{
    return block >= 1 && block <= f->blocks;
}

ULONG firmware_output(PidFirmware *f, VWheelState *state, UCHAR *bytes, ULONG length, UCHAR *notice, ULONG capacity)
{
    CHAR report[MAX_REPORT] = {0};
    ULONG i, block, operation;

    if (!f->pid || !length || f->caps.OutputReportByteLength > sizeof(report)) return 0;
    RtlCopyMemory(report, bytes, length < sizeof(report) ? length : sizeof(report));
    if (!report[0]) return 0;
    block = value_of(f, report, PU_EFFECT_BLOCK_INDEX);

    if ((UCHAR)report[0] == f->effect_operation) {
        if (!valid_block(f, block)) return 0;
        operation = selected_usage(f, report);
        if (operation == PU_OP_EFFECT_START_SOLO)
            for (i = 1; i <= VWHEEL_MAX_BLOCKS; i++) state->playing[i] = 0;
        state->playing[block] = operation == PU_OP_EFFECT_START || operation == PU_OP_EFFECT_START_SOLO;
        state->loop_count[block] = (UCHAR)value_of(f, report, PU_LOOP_COUNT);
        return announce_effect_state(f, state, block, notice, capacity);
    }
    /* Without a Block Free report the host owns the effect memory and reuses a
     * block by writing it again: nothing stays loaded for the device to free. */
    if ((UCHAR)report[0] == f->set_effect && valid_block(f, block) && f->block_free) state->allocated[block] = 1;
    if ((UCHAR)report[0] == f->block_free && valid_block(f, block)) state->allocated[block] = state->playing[block] = 0;
    if ((UCHAR)report[0] == f->device_control) device_control(state, selected_usage(f, report));
    if ((UCHAR)report[0] == f->device_gain) state->device_gain = (UCHAR)value_of(f, report, PU_DEVICE_GAIN);
    return 0;
}
