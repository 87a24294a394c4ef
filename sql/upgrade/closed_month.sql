-- Adds the table of closed months to a database made before it existed. Safe to run again.
-- Until it has run, the program closes no month (and says so when asked to close one).
CREATE TABLE IF NOT EXISTS accounts_dep.closed_month (
    year      integer,
    month     integer,
    closed_by varchar(50),
    closed_at timestamp,
    PRIMARY KEY (year, month)
);

-- The program's groups (sql/upgrade/roles.sql), where they are made: everyone reads the
-- closed months, only full access closes and opens them.
DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_read')
       AND EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_full') THEN
        GRANT SELECT ON accounts_dep.closed_month TO tabel_read;
        GRANT INSERT, UPDATE, DELETE ON accounts_dep.closed_month TO tabel_full;
    END IF;
END $$;
