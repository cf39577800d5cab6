// One error is enough for tsc to write nothing (tools/check_page_types.sh).
KXHelper.SetUserOptions([{ uic_type: 1, filter_id: 2, is_filter: true }]);
